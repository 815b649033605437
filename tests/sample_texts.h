// Texts that several tests of tolvane share: a small header as a user
// writes it and as tolvane rewrites it.
#pragma once

#include <string>

namespace sample {

// A class with a plain, an array and a bus member and one stale generated line.
inline const std::string kSource =
    "class TFoo {\n  TReg alpha;\n  TReg beta[8];\n  TReg gamma; // TOLVANE_BUS(7,0)\n"
    "  virtual void Register() {\n    reg( stale ); // tolvane\n  }\n};\n";
// kSource with its Register() body regenerated.
inline const std::string kGenerated =
    "class TFoo {\n  TReg alpha;\n  TReg beta[8];\n  TReg gamma; // TOLVANE_BUS(7,0)\n"
    "  virtual void Register() {\n"
    "    reg(  alpha       );    // tolvane\n"
    "    rega( beta, 8     );    // tolvane\n"
    "    regb( gamma, 7, 0 );    // tolvane\n"
    "  }\n};\n";

// What tolvane prints before anything else.
inline const std::string kTolvaneBanner =
    "\n\ntolvane.exe:  regkit 1.0.0 -- C++ registration and part header generators\n"
    "Regenerates the Register() bodies of C++ classes.";

} // namespace sample
