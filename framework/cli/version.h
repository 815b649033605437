// The suite's name and version, as the build defines them.
#pragma once

#ifndef REGKIT_NAME
#define REGKIT_NAME "regkit"
#endif
#ifndef REGKIT_VERSION
#define REGKIT_VERSION "0.0.0"
#endif
