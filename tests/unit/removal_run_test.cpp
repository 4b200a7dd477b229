#include "removal_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records every call the run makes, in order.
class RecordingShell : public RemovalShell {
 public:
  int answer = kAnswerYes;
  void* trayWindow = nullptr;
  std::vector<std::string> calls;

  int AskConfirmation() override { calls.push_back("ask"); return answer; }
  void* FindTrayWindow() override { calls.push_back("find"); return trayWindow; }
  void PostTrayExit(void* window) override {
    calls.push_back(window == trayWindow ? "post" : "post to wrong window");
  }
  void RemoveRegistryEntries() override { calls.push_back("registry"); }
  void RemoveDriverFiles() override { calls.push_back("files"); }
  void RemoveInfFiles() override { calls.push_back("inf"); }
  void FilterStartupFiles() override { calls.push_back("startup"); }
  void ShowRestartDialog() override { calls.push_back("dialog"); }
};

using Calls = std::vector<std::string>;

TEST(RunRemoval, AnythingButYesChangesNothing) {
  // No, and a box that failed to show: 0 from Windows, -1 from Wine's.
  for (int answer : {int{kAnswerNo}, 0, -1}) {
    RecordingShell shell;
    shell.answer = answer;
    EXPECT_EQ(0, RunRemoval(shell)) << answer;
    EXPECT_EQ(Calls({"ask"}), shell.calls) << answer;
  }
}

TEST(RunRemoval, YesRunsEveryStepInOrder) {
  int tray = 0;
  struct Case { int answer; void* window; Calls expected; };
  const Case cases[] = {
      {kAnswerYes, &tray,
       {"ask", "find", "post", "registry", "files", "inf", "startup", "dialog"}},
      // No tray utility running: the same run without the posted Exit.
      {kAnswerYes, nullptr, {"ask", "find", "registry", "files", "inf", "startup", "dialog"}},
  };
  for (const Case& c : cases) {
    RecordingShell shell;
    shell.answer = c.answer;
    shell.trayWindow = c.window;
    EXPECT_EQ(1, RunRemoval(shell));
    EXPECT_EQ(c.expected, shell.calls);
  }
}

TEST(ChooseRestartAction, OnlyTheThreeButtonsEndTheDialog) {
  // GetVersion as Windows 98 (4.10, high bit set) and Windows 2000 (5.0) give it.
  const unsigned long win98 = 0xC0000A04ul, win2k = 0x08930005ul;
  struct Case { unsigned id; unsigned long version; int ends; unsigned exitFlags; int privilege; };
  const Case cases[] = {
      {kIdShutDown, win98, 1, kExitShutdown, 0},
      {kIdRestart, win98, 1, kExitReboot, 0},
      {kIdCancel, win98, 1, 0, 0},
      {kIdShutDown, win2k, 1, kExitShutdown, 1},
      {kIdRestart, win2k, 1, kExitReboot, 1},
      {kIdCancel, win2k, 1, 0, 0},
      {2 /* IDCANCEL: Esc */, win2k, 0, 0, 0},
      {1 /* IDOK */, win98, 0, 0, 0},
      {1007, win2k, 0, 0, 0},
  };
  for (const Case& c : cases) {
    RestartAction action = ChooseRestartAction(c.id, c.version);
    EXPECT_EQ(c.ends, action.endsDialog) << c.id;
    EXPECT_EQ(c.exitFlags, action.exitWindows) << c.id;
    EXPECT_EQ(c.privilege, action.enableShutdownPrivilege) << c.id << " " << c.version;
  }
  EXPECT_EQ(1u, kExitShutdown);  // EWX_SHUTDOWN
  EXPECT_EQ(2u, kExitReboot);    // EWX_REBOOT
}

TEST(AfterExitWindows, ARefusedRestartIsReportedAndTheDialogStays) {
  const unsigned long win2k = 0x08930005ul;
  struct Case { unsigned id; int exitSucceeded; RestartOutcome expected; };
  const Case cases[] = {
      {kIdRestart, 1, kDialogEnds},       {kIdShutDown, 1, kDialogEnds},
      {kIdRestart, 0, kRefusalReported},  {kIdShutDown, 0, kRefusalReported},
      {kIdCancel, 0, kDialogEnds},        {2 /* Esc */, 0, kDialogStays},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, AfterExitWindows(ChooseRestartAction(c.id, win2k), c.exitSucceeded)) << c.id;
}

}  // namespace
