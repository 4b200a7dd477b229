#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake_registry.h"
#include "registry_cleanup_core.h"

namespace {

using Keys = std::vector<std::string>;
const FakeRegistry::Rules kBothRules[] = {FakeRegistry::kWin9x, FakeRegistry::kWinNT};
const char kMedia[] = "System\\CurrentControlSet\\Services\\Class\\MEDIA";

class RegistryCleanup : public ::testing::TestWithParam<FakeRegistry::Rules> {
 protected:
  FakeRegistry reg{GetParam()};
  void TearDown() override { EXPECT_EQ(0, reg.openHandles()) << "a key was left open"; }
};

INSTANTIATE_TEST_SUITE_P(BothWindows, RegistryCleanup, ::testing::ValuesIn(kBothRules),
                         [](const auto& info) {
                           return info.param == FakeRegistry::kWin9x ? "Win9x" : "WinNT";
                         });

TEST_P(RegistryCleanup, InstallEntriesGoWithTheRestOthersStay) {
  const std::string run = kRunKey, uninstall = std::string(kUninstallKey) + "\\";
  for (bool installed : {true, false}) {  // by ZM640.INF, or copied by hand
    FakeRegistry fresh(GetParam());
    fresh.Add(run, "SystemTray", "SysTray.Exe");
    fresh.Add(run, "ZM640UTL2", "C:\\OTHER\\ZM640UTL2.EXE");
    fresh.Add(uninstall + "OtherApp", "DisplayName", "Other application");
    fresh.Add(uninstall + "ZM640 Tools\\Parts", "DisplayName", "A near name");
    if (installed) {
      fresh.Add(run, "ZM640UTL", "C:\\WINDOWS\\ZM640UTL.EXE");
      fresh.Add(uninstall + "ZM640", "DisplayName", "ZM640 Sound Card Driver");
      fresh.Add(uninstall + "ZM640", "UninstallString", "C:\\WINDOWS\\ZM640UNI.EXE");
    }
    RemoveRegistryEntries(fresh);
    EXPECT_EQ(Keys({"systemtray", "zm640utl2"}), fresh.ValueNames(run)) << installed;
    EXPECT_FALSE(fresh.Has(uninstall + "ZM640")) << installed;
    EXPECT_TRUE(fresh.Has(uninstall + "OtherApp")) << installed;
    EXPECT_TRUE(fresh.Has(uninstall + "ZM640 Tools\\Parts")) << installed;
    EXPECT_EQ(0, fresh.openHandles());
  }
}

TEST_P(RegistryCleanup, MatchingScanRestartsAtZeroAfterEachDeletion) {
  reg.Add("Enum\\PCI\\VEN_8086&DEV_7110\\BUS_00");
  reg.Add("Enum\\PCI\\VEN_125D&DEV_1969\\BUS_00&DEV_0A\\Deeper");
  reg.Add("Enum\\PCI\\VEN_1102&DEV_0002");
  reg.Add("Enum\\PCI\\X_VEN_125D&DEV_1969&SUBSYS_1\\BUS_00");
  reg.Add("Enum\\PCI\\VEN_125D&DEV_1969&REV_01");
  reg.Add("Enum\\PCI\\VEN_10EC&DEV_8139");
  DeleteMatchingSubKeys(reg, "Enum\\PCI", "VEN_125D&DEV_1969");

  EXPECT_EQ(Keys({"Enum", "Enum\\PCI", "Enum\\PCI\\VEN_8086&DEV_7110",
                  "Enum\\PCI\\VEN_8086&DEV_7110\\BUS_00", "Enum\\PCI\\VEN_1102&DEV_0002",
                  "Enum\\PCI\\VEN_10EC&DEV_8139"}),
            reg.AllKeys());
  std::vector<unsigned> scan;
  for (auto& call : reg.enumCalls)
    if (call.first == "Enum\\PCI") scan.push_back(call.second);
  // Found at 1, restart; found at 2, restart; found at 2, restart; then to the end.
  EXPECT_EQ(std::vector<unsigned>({0, 1, 0, 1, 2, 0, 1, 2, 0, 1, 2, 3}), scan);
}

TEST_P(RegistryCleanup, MatchIsCaseSensitive) {
  // Key names ignore case, so the two keys differ in more than case.
  reg.Add("Enum\\MF\\CHILD0000\\PCI&VEN_125d&LOWER");
  reg.Add("Enum\\MF\\CHILD0000\\PCI&VEN_125D&DEV_1969\\BUS_00");
  DeleteMatchingSubKeys(reg, "Enum\\MF\\CHILD0000", "125D");
  EXPECT_TRUE(reg.Has("Enum\\MF\\CHILD0000\\PCI&VEN_125d&LOWER"));
  EXPECT_FALSE(reg.Has("Enum\\MF\\CHILD0000\\PCI&VEN_125D&DEV_1969"));
}

TEST_P(RegistryCleanup, AbsentParentDoesNothing) {
  reg.Add("Enum\\MF\\CHILD0000\\PCI&VEN_125D");
  DeleteMatchingSubKeys(reg, "Enum\\MF\\CHILD0001", "125D");
  DeleteClassKeysBySection(reg, kMedia, "SoloA_Device");
  EXPECT_EQ(0, DeleteSubKey(reg, "SOFTWARE", "ESS"));
  EXPECT_TRUE(reg.Has("Enum\\MF\\CHILD0000\\PCI&VEN_125D"));
  EXPECT_EQ(0, reg.deleteCalls);
}

TEST_P(RegistryCleanup, FailedDeletionMovesOnInsteadOfLooping) {
  reg.Add("Enum\\PCI\\VEN_125D&DEV_1969&A\\Sub");
  reg.Add("Enum\\PCI\\VEN_125D&DEV_1969&B");
  reg.MakeUndeletable("Enum\\PCI\\VEN_125D&DEV_1969&A");
  DeleteMatchingSubKeys(reg, "Enum\\PCI", "VEN_125D&DEV_1969");
  EXPECT_TRUE(reg.Has("Enum\\PCI\\VEN_125D&DEV_1969&A"));
  EXPECT_FALSE(reg.Has("Enum\\PCI\\VEN_125D&DEV_1969&B"));
  EXPECT_LT(reg.enumCalls.size(), 20u);
}

TEST_P(RegistryCleanup, LongNameDoesNotEndTheScan) {
  const std::string longName(200, 'L');
  reg.Add("Enum\\PCI\\" + longName + "\\Sub");
  reg.Add("Enum\\PCI\\VEN_125D&DEV_1969\\BUS_00");
  reg.Add(std::string(kMedia) + "\\" + std::string(90, 'N'), "InfSection", "SoloA_Device");
  reg.Add(std::string(kMedia) + "\\" + longName, "InfSection", "SoloA_Device");
  reg.Add(std::string(kMedia) + "\\0000", "InfSection", "SoloA_Device");
  DeleteMatchingSubKeys(reg, "Enum\\PCI", "VEN_125D&DEV_1969");
  DeleteClassKeysBySection(reg, kMedia, "SoloA_Device");
  EXPECT_FALSE(reg.Has("Enum\\PCI\\VEN_125D&DEV_1969"));
  EXPECT_TRUE(reg.Has("Enum\\PCI\\" + longName));
  EXPECT_FALSE(reg.Has(std::string(kMedia) + "\\0000"));
  // Names whose composed path would not fit are passed over, not cut and not deleted.
  EXPECT_TRUE(reg.Has(std::string(kMedia) + "\\" + std::string(90, 'N')));
  EXPECT_TRUE(reg.Has(std::string(kMedia) + "\\" + longName));
}

TEST_P(RegistryCleanup, ClassKeysByInfSection) {
  struct Case { const char* key; const char* section; bool set; bool deleted; };
  const Case cases[] = {
      {"0000", "SoloA_Device", true, true},
      {"0001", "SoloA_Device.Install", true, true},
      {"0002", "", false, false},  // no InfSection value
      {"0003", "SB16_Device", true, false},
      {"0004", "soloa_device", true, false},
      {"0005", "Prefix SoloA_Device", true, true},
  };
  for (const Case& c : cases) {
    std::string key = std::string(kMedia) + "\\" + c.key;
    if (c.set) reg.Add(key + "\\Drivers\\wave", "", ""), reg.Add(key, "InfSection", c.section);
    else reg.Add(key + "\\Drivers");
  }
  DeleteClassKeysBySection(reg, kMedia, "SoloA_Device");
  for (const Case& c : cases)
    EXPECT_EQ(c.deleted, !reg.Has(std::string(kMedia) + "\\" + c.key)) << c.key;
}

TEST_P(RegistryCleanup, InfSectionThatIsNoStringThatFitsStays) {
  reg.SetRaw(std::string(kMedia) + "\\Full", "InfSection", std::string(128, 'S'));
  reg.SetRaw(std::string(kMedia) + "\\Long", "InfSection", "SoloA_Device" + std::string(200, 'x'));
  reg.SetRaw(std::string(kMedia) + "\\Bare", "InfSection", "SoloA_Device");  // no terminator
  DeleteClassKeysBySection(reg, kMedia, "SoloA_Device");
  EXPECT_TRUE(reg.Has(std::string(kMedia) + "\\Full"));
  EXPECT_TRUE(reg.Has(std::string(kMedia) + "\\Long"));
  EXPECT_FALSE(reg.Has(std::string(kMedia) + "\\Bare"));
}

TEST_P(RegistryCleanup, WholeStepOnAnInstalledSystem) {
  const Keys card = {
      "Enum\\MF\\CHILD0000\\PCI&VEN_125D&DEV_1969\\BUS_00",
      "Enum\\MF\\CHILD0001\\PCI&VEN_125D&DEV_1969&GAME\\BUS_00",
      "Enum\\PCI\\VEN_125D&DEV_1969\\BUS_00&DEV_0A&FUNC_00",
      "Enum\\PCI\\VEN_125D&DEV_1969&SUBSYS_8888125D\\BUS_00",
      "Enum\\ES1938\\DEVICE0000", "Enum\\SOLO\\DEVICE0000",
      "System\\CurrentControlSet\\Control\\MediaResources\\aux\\ES1938",
      "System\\CurrentControlSet\\Control\\MediaResources\\midi\\ES1938",
      "System\\CurrentControlSet\\Control\\MediaResources\\mixer\\ES1938",
      "System\\CurrentControlSet\\Control\\MediaResources\\wave\\ES1938",
      "SOFTWARE\\ESS\\ZM640\\Settings"};
  for (const auto& key : card) reg.Add(key);
  reg.Add(std::string(kMedia) + "\\0000\\Drivers", "", "");
  reg.Add(std::string(kMedia) + "\\0000", "InfSection", "SoloA_Device");
  reg.Add(std::string(kMedia) + "\\0001", "InfSection", "SoloD_Device");
  reg.Add(std::string(kMedia) + "\\0002", "InfSection", "MSJSTICK");
  reg.Add(std::string(kMedia) + "\\0003", "InfSection", "SB16");
  reg.Add("Enum\\MF\\CHILD0000\\PCI&VEN_125d&LOWER");
  reg.Add("Enum\\PCI\\VEN_8086&DEV_7110\\BUS_00");
  reg.Add("System\\CurrentControlSet\\Control\\MediaResources\\msacm\\imaadpcm");
  reg.Add("SOFTWARE\\Microsoft\\Windows");

  RemoveRegistryEntries(reg);

  Keys left = reg.AllKeys();
  std::sort(left.begin(), left.end());
  Keys expected = {"Enum", "Enum\\MF", "Enum\\MF\\CHILD0000",
                  "Enum\\MF\\CHILD0000\\PCI&VEN_125d&LOWER", "Enum\\MF\\CHILD0001", "Enum\\PCI",
                  "Enum\\PCI\\VEN_8086&DEV_7110", "Enum\\PCI\\VEN_8086&DEV_7110\\BUS_00",
                  "System", "System\\CurrentControlSet", "System\\CurrentControlSet\\Control",
                  "System\\CurrentControlSet\\Control\\MediaResources",
                  "System\\CurrentControlSet\\Control\\MediaResources\\msacm",
                  "System\\CurrentControlSet\\Control\\MediaResources\\msacm\\imaadpcm",
                  "SOFTWARE", "System\\CurrentControlSet\\Services",
                  "System\\CurrentControlSet\\Services\\Class", kMedia,
                  std::string(kMedia) + "\\0003", "SOFTWARE\\Microsoft",
                  "SOFTWARE\\Microsoft\\Windows"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, left);
}

TEST(DeleteKeyTree, NtRulesNeedTheSubTreeEmptiedFirst) {
  for (FakeRegistry::Rules rules : kBothRules) {
    FakeRegistry reg(rules);
    reg.Add("SOFTWARE\\ESS\\A\\B\\C");
    reg.Add("SOFTWARE\\ESS\\A\\D");
    reg.Add("SOFTWARE\\ESS\\E");
    EXPECT_EQ(1, DeleteSubKey(reg, "SOFTWARE", "ESS"));
    EXPECT_EQ(Keys({"SOFTWARE"}), reg.AllKeys());
    // On Windows 9x a single call does it.
    // Under NT rules each key with sub-keys is refused once, then deleted once emptied.
    EXPECT_EQ(rules == FakeRegistry::kWin9x ? 1 : 9, reg.deleteCalls);
  }
}

TEST(DeleteKeyTree, UndeletableKeyInsideLeavesItsParentAndReportsFailure) {
  FakeRegistry reg(FakeRegistry::kWinNT);
  reg.Add("SOFTWARE\\ESS\\Locked\\Inner");
  reg.Add("SOFTWARE\\ESS\\Free");
  reg.MakeUndeletable("SOFTWARE\\ESS\\Locked\\Inner");
  EXPECT_EQ(0, DeleteSubKey(reg, "SOFTWARE", "ESS"));
  EXPECT_EQ(Keys({"SOFTWARE", "SOFTWARE\\ESS", "SOFTWARE\\ESS\\Locked",
                  "SOFTWARE\\ESS\\Locked\\Inner"}),
            reg.AllKeys());
  EXPECT_EQ(0, reg.openHandles());
}

TEST(TerminateValueText, OnlyStringsThatFit) {
  struct Case { std::string bytes; int length; bool ok; std::string text; };
  const Case cases[] = {
      {std::string("abc\0", 4), 4, true, "abc"},
      {"abc", 3, true, "abc"},                      // no terminator stored, room for one
      {std::string(8, 'x'), 8, false, ""},          // fills the buffer, no terminator
      {std::string("ab\0cd\0", 6), 6, true, "ab"},  // stops at the first NUL
      {"", -1, false, ""},                          // the query failed
      {"", 0, true, ""},
  };
  for (const Case& c : cases) {
    char buffer[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
    std::copy(c.bytes.begin(), c.bytes.end(), buffer);
    int ok = TerminateValueText(buffer, c.length, sizeof buffer);
    EXPECT_EQ(c.ok, ok != 0) << c.bytes;
    if (ok) {
      EXPECT_EQ(c.text, std::string(buffer)) << c.bytes;
    }
  }
}

}  // namespace
