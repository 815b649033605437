// A minimal framework for the classes that kessrow and tolvane write:
// registries whose Register() method lists their data members, parts with a
// package, a reference prefix and ports made of pins.
//
// The registration calls reg, rega, regb, regab and regn are macros, so that
// the registry learns each member's name from the call's first argument.
// Include this header after the standard headers you use.
#ifndef DEMO_FRAMEWORK_H
#define DEMO_FRAMEWORK_H

#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

// One pin of a port: its bit number (-1 when the port is no bus) and name.
struct TPin {
  int Bit = -1;
  std::string Name;
};

// A port of a part: a named group of pins. The direction is fixed by the
// type: port (unspecified), iport (input), oport (output), ioport (both).
class port {
 public:
  port() = default;
  virtual ~port() = default;
  port(const port&) = delete;
  port& operator=(const port&) = delete;

  // A pin of a bus: bit number and pin name.
  void AddPin(int bit, const char* pin) { Pins.push_back({bit, pin}); }
  // The next pin of a port without bit numbers.
  void AddPin(const char* pin) { Pins.push_back({-1, pin}); }
  // The pin of a single-pin port; a second call replaces the first.
  void SetPin(const char* pin) { Pins.assign(1, TPin{-1, pin}); }

  const std::vector<TPin>& GetPins() const { return Pins; }
  virtual const char* Direction() const { return "port"; }

 private:
  std::vector<TPin> Pins;
};

class iport : public port {
 public:
  const char* Direction() const override { return "iport"; }
};

class oport : public port {
 public:
  const char* Direction() const override { return "oport"; }
};

class ioport : public port {
 public:
  const char* Direction() const override { return "ioport"; }
};

class TRegistry;

// One registered member, as the registration call described it.
struct TRegEntry {
  std::string Call;               // reg, rega, regb, regab or regn
  std::string Name;               // the member's name as written in the call
  std::string Kind;               // port direction, "part", "registry" or "value"
  std::size_t Size = 0;           // array size given to rega/regab, else 0
  bool IsBus = false;             // regb/regab: FirstBit, SecondBit are set
  long FirstBit = 0;
  long SecondBit = 0;
  std::vector<const port*> Ports;  // the port, or each port of an array
  std::vector<TRegistry*> Nested;  // the member, or each element, that registers members itself
};

// Base of every class with a Register() method.
class TRegistry {
 public:
  TRegistry() = default;
  virtual ~TRegistry() = default;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  virtual void Register() {}
  virtual const char* KindName() const { return "registry"; }

  // The members registered by Register(), which runs on the first call.
  const std::vector<TRegEntry>& Entries() {
    if (!Registered) {
      Registered = true;
      Register();
    }
    return Members;
  }

  // Problems found while registering (an array size that is not the
  // declared one); empty when all is well.
  const std::vector<std::string>& Problems() {
    Entries();
    return Errors;
  }

 protected:
  template <class T>
  void RegItem(const char* call, const char* name, T& member) {
    Members.push_back(Describe(call, name, member));
  }

  template <class T>
  void RegArray(const char* call, const char* name, T& member, std::size_t size) {
    TRegEntry entry = Describe(call, name, member);
    entry.Size = size;
    if constexpr (std::is_array_v<T>) {
      if (size != std::extent_v<T>) {
        Errors.push_back(std::string(name) + ": registered size " + std::to_string(size) +
                         ", declared size " + std::to_string(std::extent_v<T>));
      }
    } else {
      Errors.push_back(std::string(name) + ": registered as an array, declared as none");
    }
    Members.push_back(std::move(entry));
  }

  template <class T>
  void RegBus(const char* call, const char* name, T& member, long first, long second) {
    TRegEntry entry = Describe(call, name, member);
    entry.IsBus = true;
    entry.FirstBit = first;
    entry.SecondBit = second;
    Members.push_back(std::move(entry));
  }

  template <class T>
  void RegArrayBus(const char* call, const char* name, T& member, std::size_t size, long first,
                   long second) {
    RegArray(call, name, member, size);
    Members.back().IsBus = true;
    Members.back().FirstBit = first;
    Members.back().SecondBit = second;
  }

  // The member's own registrations become this registry's, named
  // "<member>.<name>".
  template <class T>
  void RegNested(const char* name, T& member) {
    static_assert(std::is_base_of_v<TRegistry, T>, "regn needs a member derived from TRegistry");
    for (const TRegEntry& inner : member.Entries()) {
      TRegEntry entry = inner;
      entry.Call = "regn";
      entry.Name = std::string(name) + "." + inner.Name;
      Members.push_back(std::move(entry));
    }
    for (const std::string& error : member.Problems()) {
      Errors.push_back(std::string(name) + "." + error);
    }
  }

 private:
  template <class T>
  static void Collect(TRegEntry& entry, T& member) {
    if constexpr (std::is_array_v<T>) {
      for (auto& element : member) {
        Collect(entry, element);
      }
    } else if constexpr (std::is_base_of_v<port, T>) {
      entry.Kind = member.Direction();
      entry.Ports.push_back(&member);
    } else if constexpr (std::is_base_of_v<TRegistry, T>) {
      entry.Kind = member.KindName();
      entry.Nested.push_back(&member);
    } else {
      entry.Kind = "value";
    }
  }

  template <class T>
  static TRegEntry Describe(const char* call, const char* name, T& member) {
    TRegEntry entry;
    entry.Call = call;
    entry.Name = name;
    Collect(entry, member);
    return entry;
  }

  bool Registered = false;
  std::vector<TRegEntry> Members;
  std::vector<std::string> Errors;
};

// Base of the part classes: a package with its pin count, a reference
// prefix (U for integrated circuits, R for resistors ...) and ports.
class TPart : public TRegistry {
 public:
  const char* KindName() const override { return "part"; }

  void SetPackage(const char* name, int pins) {
    Package = name;
    PinCount = pins;
  }
  void SetReferencePrefix(const char* prefix) { ReferencePrefix = prefix; }

  const std::string& GetPackage() const { return Package; }
  int GetPinCount() const { return PinCount; }
  const std::string& GetReferencePrefix() const { return ReferencePrefix; }

 private:
  std::string Package;
  int PinCount = 0;
  std::string ReferencePrefix;
};

// The calls written into Register() bodies by the generators and by hand.
#define reg(member) RegItem("reg", #member, member)
#define rega(member, size) RegArray("rega", #member, member, size)
#define regb(member, first, second) RegBus("regb", #member, member, first, second)
#define regab(member, size, first, second) \
  RegArrayBus("regab", #member, member, size, first, second)
#define regn(member) RegNested(#member, member)

#endif
