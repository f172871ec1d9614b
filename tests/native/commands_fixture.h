// What the command tests share: a simulated Windows in one of the three settings the
// program runs in, and readers for what the user saw and what the registry holds.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/process_state.h"
#include "core/texts.h"
#include "tests/sim/simulated_windows.h"

namespace commands_test {

enum class Setting {
  kExeOn64BitWindows,  // the shipped 32-bit exe on 64-bit Windows
  kExeOn32BitWindows,
  k64BitBuild,
};

inline const char* SettingName(Setting setting) {
  switch (setting) {
    case Setting::kExeOn64BitWindows: return "exeOn64BitWindows";
    case Setting::kExeOn32BitWindows: return "exeOn32BitWindows";
    case Setting::k64BitBuild: return "build64";
  }
  return "?";
}

const sys::Hwnd kMainWindow = reinterpret_cast<sys::Hwnd>(0x10010);

struct StoredValue {
  sys::Dword type;
  std::string bytes;
  friend bool operator==(const StoredValue& a, const StoredValue& b) {
    return a.type == b.type && a.bytes == b.bytes;
  }
  friend std::ostream& operator<<(std::ostream& out, const StoredValue& v) {
    return out << "type " << v.type << " bytes \"" << testing::PrintToString(v.bytes) << "\"";
  }
};

class CommandTest : public testing::Test {
 protected:
  explicit CommandTest(Setting setting = Setting::kExeOn64BitWindows) { Use(setting); }

  void Use(Setting setting) {
    windows.processorArchitecture = setting == Setting::kExeOn32BitWindows ? sys::kProcessorArchitectureIntel
                                                                           : sys::kProcessorArchitectureAmd64;
    windows.processIs64Bit = setting == Setting::k64BitBuild;
    windows.UpdateApi();
    core::Process().mainWindow = kMainWindow;
  }

  // The texts of the message boxes so far, after checking that each one is a plain
  // task-modal information box without an owner.
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const sim::MessageBoxCall& box : windows.messageBoxes) {
      EXPECT_EQ(box.owner, nullptr);
      EXPECT_EQ(box.caption, texts::kInfoCaption);
      EXPECT_EQ(box.type, sys::kMbOk | sys::kMbTaskModal);
      out.push_back(box.text);
    }
    return out;
  }

  // The default value of a key of HKEY_CLASSES_ROOT in the 64-bit (or only) view.
  std::optional<StoredValue> DefaultValue(const std::string& keyPath, sim::View view = sim::View::kNative) const {
    const sim::SimValue* value = windows.registry.FindValue(sys::kHkeyClassesRoot, keyPath, "", view);
    if (!value) return std::nullopt;
    return StoredValue{value->type, std::string(value->bytes.begin(), value->bytes.end())};
  }

  sim::SimulatedWindows windows;
};

// Key paths of the three edit commands, without the final backslash.
inline const std::string kTgaKey = "SystemFileAssociations\\.tga\\Shell\\edit\\Command";
inline const std::string kImageKey = "SystemFileAssociations\\image\\shell\\edit\\command";
inline const std::string kDdsKey = "SystemFileAssociations\\.dds\\Shell\\edit\\Command";

// What the shell finds in an edit command value: the text and one zero byte.
inline StoredValue Sz(const std::string& text) { return StoredValue{sys::kRegSz, text + std::string(1, '\0')}; }
inline StoredValue ExpandSz(const std::string& text) {
  return StoredValue{sys::kRegExpandSz, text + std::string(1, '\0')};
}

}  // namespace commands_test
