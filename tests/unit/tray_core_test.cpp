#include "tray_core.h"

#include "fake_file_system.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// Records the calls the core asks for; the mixer's answers are set by the test.
class RecordingTray : public TrayShell {
 public:
  unsigned devices = 1, openResult = 0, readResult = 0, readValue = 1, writeResult = 0;
  std::vector<unsigned> runResults = {33};  // WinExec's answers in turn; the last repeats
  int addResult = 1, modifyResult = 1;  // the shell's answers
  unsigned clock = 5000;                // ms, advanced by the test
  std::string windowsDir = "C:\\WINDOWS";
  std::string systemDir = "C:\\WINDOWS\\SYSTEM";
  std::vector<std::string> calls;

  std::vector<std::string> Take() {
    std::vector<std::string> taken;
    taken.swap(calls);
    return taken;
  }
  // One call: its words separated by spaces ("modify 147 6").
  template <typename... Words>
  void Log(const Words&... words) {
    std::ostringstream call;
    ((call << words << ' '), ...);
    calls.push_back(call.str().substr(0, call.str().size() - 1));
  }

  void SetMouseCapture() override { Log("capture"); }
  void ReleaseMouseCapture() override { Log("release capture"); }
  void PostQuit(int code) override { Log("quit", code); }
  void DestroyWindow() override { Log("destroy"); }
  unsigned MixerDeviceCount() override { Log("count"); return devices; }
  unsigned MixerOpen() override { Log("open"); return openResult; }
  unsigned MixerRead(unsigned* value) override { Log("read"); *value = readValue; return readResult; }
  unsigned MixerWrite(unsigned value) override { Log("write", value); return writeResult; }
  void MixerClose() override { Log("close"); }
  void LoadPausedIcon() override { Log("load paused"); }
  int AddIcon(int icon) override { Log("add", icon); return addResult; }
  int ModifyIcon(int icon, unsigned flags) override { Log("modify", icon, flags); return modifyResult; }
  void DeleteIcon() override { Log("delete icon"); }
  void StartTimer(unsigned id, unsigned period) override { Log("timer", id, period); }
  void StopTimer(unsigned id) override { Log("kill", id); }
  void SetMenuLabel(const char* label) override { Log("label", label); }
  void ShowPopupMenu() override { Log("popup"); }
  void ShowAbout() override { Log("about"); }
  void ShowMessage(const char* text, const char* caption) override { Log("box", text, "/", caption); }
  unsigned RunProgram(const char* command) override {
    Log("run", command);
    unsigned result = runResults.front();
    if (runResults.size() > 1) runResults.erase(runResults.begin());
    return result;
  }
  unsigned WindowsDirectory(char* buffer, unsigned size) override {
    return FakeFileSystem::Dir(windowsDir, buffer, size);
  }
  unsigned SystemDirectory(char* buffer, unsigned size) override {
    return FakeFileSystem::Dir(systemDir, buffer, size);
  }
  unsigned Milliseconds() override { return clock; }
};

using Calls = std::vector<std::string>;

struct Started {
  RecordingTray shell;
  TrayState state{};
  Started(unsigned readValue = 1, unsigned readResult = 0) {
    shell.readValue = readValue;
    shell.readResult = readResult;
    TrayStart(shell, state);
    shell.Take();
  }
  Calls Tick(unsigned id = kAnimationTimer) {
    TrayTick(shell, state, id);
    return shell.Take();
  }
};

TEST(TrayStart, OrderOfStartUp) {
  RecordingTray shell;
  TrayState state{};
  TrayStart(shell, state);
  EXPECT_EQ(Calls({"capture", "count", "open", "read", "load paused", "timer 1 10", "add 145"}),
            shell.calls);
  EXPECT_EQ(1, state.animFrame);
  EXPECT_STREQ("C:\\WINDOWS\\", state.windowsDir);
}

TEST(TrayStart, NoMixerQuitsAndAddsNoIcon) {
  struct Case { unsigned devices, open; Calls expected; };
  const Case cases[] = {
      {0, 0, {"capture", "count", "release capture", "quit 0", "load paused", "timer 1 10"}},
      {1, 4, {"capture", "count", "open", "release capture", "quit 0", "load paused", "timer 1 10"}},
  };
  for (const Case& c : cases) {
    RecordingTray shell;
    shell.devices = c.devices;
    shell.openResult = c.open;
    TrayState state{};
    TrayStart(shell, state);
    EXPECT_EQ(c.expected, shell.calls);
    EXPECT_EQ(0, state.iconShown);
  }
}

TEST(TrayTick, FirstTickLabelsAndWritesOnce) {
  struct Case { unsigned value, readResult; const char* label; const char* write; };
  const Case cases[] = {
      {0, 0, "label Turn On 3D Effect", "write 0"},   // read 0: effect off
      {1, 0, "label Turn Off 3D Effect", "write 1"},  // read 1: effect on
      {0, 11, "label Turn Off 3D Effect", "write 1"}, // failed read: EffectOff stays 0
  };
  for (const Case& c : cases) {
    Started tray(c.value, c.readResult);
    EXPECT_EQ(Calls({c.label, c.write}), tray.Tick());
    for (int i = 0; i < 20; ++i)  // in step afterwards: only animation, no mixer call
      for (const std::string& call : tray.Tick()) EXPECT_EQ(0u, call.rfind("modify ", 0)) << call;
  }
}

TEST(TrayTick, ToggleWritesOnceAtTheNextTick) {
  Started tray(1);
  tray.Tick();
  TrayCommand(tray.shell, tray.state, kCmdToggle3D);
  EXPECT_TRUE(tray.shell.Take().empty());  // no mixer call from the command itself
  EXPECT_EQ(Calls({"label Turn On 3D Effect", "write 0"}), tray.Tick());
  EXPECT_EQ(Calls({}), tray.Tick());
  TrayCommand(tray.shell, tray.state, kCmdToggle3D);
  EXPECT_EQ(Calls({"label Turn Off 3D Effect", "write 1"}), tray.Tick());
}

TEST(TrayMixerChange, OnlyControl41IsFollowed) {
  Started tray(1);
  tray.Tick();
  tray.shell.readValue = 0;  // another program switched the effect off
  for (unsigned long control : {40ul, 42ul, 41ul | 0x10000ul /* high word differs */}) {
    TrayMixerChange(tray.shell, tray.state, control);
    Calls expected = control == 40 || control == 42 ? Calls{} : Calls{"read"};
    EXPECT_EQ(expected, tray.shell.Take()) << control;
  }
  EXPECT_EQ(Calls({"label Turn On 3D Effect", "write 0"}), tray.Tick());
}

TEST(TrayTick, FailingWriteShowsItsBoxOncePerChange) {
  Started tray(1);
  tray.shell.writeResult = 1;
  EXPECT_EQ(Calls({"label Turn Off 3D Effect", "write 1",
                   "box Error Setup Mixer / Unable to control 3D"}),
            tray.Tick());
  // Ticks handled while the box is open see no difference and do not write again.
  EXPECT_EQ(Calls({}), tray.Tick());
  TrayCommand(tray.shell, tray.state, kCmdToggle3D);
  EXPECT_EQ(Calls({"label Turn On 3D Effect", "write 0",
                   "box Error Setup Mixer / Unable to control 3D"}),
            tray.Tick());
}

TEST(TrayTick, AnimationFrameOrder) {
  Started tray(1);
  tray.Tick();  // the sync tick, which also counts
  std::vector<int> frames;
  for (int tick = 2; tick <= 5 * 14; ++tick)
    for (const std::string& call : tray.Tick())
      if (call.rfind("modify ", 0) == 0) frames.push_back(std::stoi(call.substr(7)));
  EXPECT_EQ(std::vector<int>({147, 148, 149, 150, 151, 152, 153, 154, 155, 145, 146, 147, 148, 149}),
            frames);
}

TEST(TrayIconEvent, ClickPausesDoubleClickCancelsRightClickPopsUp) {
  Started tray(1);
  tray.Tick();
  TrayIconEvent(tray.shell, tray.state, 145, kLeftDown);
  EXPECT_EQ(Calls({"timer 2 500"}), tray.shell.Take());
  EXPECT_EQ(Calls({"kill 2", "modify 147 6"}), tray.Tick(kPauseTimer));
  EXPECT_EQ(1, tray.state.iconPaused);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(Calls({}), tray.Tick());  // paused: no frames
  int frame = tray.state.animFrame;
  TrayIconEvent(tray.shell, tray.state, 145, kLeftDown);
  tray.shell.Take();
  Calls resume = tray.Tick(kPauseTimer);  // resuming changes no icon at once
  EXPECT_EQ("kill 2", resume.at(0));
  EXPECT_EQ(0, tray.state.iconPaused);
  Calls next;
  while (next.empty()) next = tray.Tick();
  EXPECT_EQ("modify " + std::to_string(145 + (frame + 1) % 11) + " 2", next.at(0));

  TrayIconEvent(tray.shell, tray.state, 145, kLeftDoubleClick);
  EXPECT_EQ(Calls({"kill 2"}), tray.shell.Take());
  TrayIconEvent(tray.shell, tray.state, 145, kRightDown);
  EXPECT_EQ(Calls({"popup"}), tray.shell.Take());
  TrayIconEvent(tray.shell, tray.state, 146, kRightDown);  // another icon id
  TrayIconEvent(tray.shell, tray.state, 145, 0x200);       // a mouse move
  EXPECT_EQ(Calls({}), tray.shell.Take());
}

TEST(TrayCommand, Commands) {
  struct Case {
    unsigned id;
    std::vector<unsigned> runResults;
    std::string windowsDir, systemDir;
    Calls expected;
  };
  const std::string longDir = "C:\\" + std::string(80, 'W');
  const std::string fromWindows = "run C:\\WINDOWS\\\\rundll32.exe shell32.dll,Control_RunDLL mmsys.cpl";
  const std::string fromSystem = "run C:\\WINNT\\system32\\rundll32.exe shell32.dll,Control_RunDLL mmsys.cpl";
  const std::string noMultimedia = "box Error Message / Unable to open MultiMedia windows";
  const std::string system = "C:\\WINNT\\system32";
  const Case cases[] = {
      {kCmdExit, {33}, "C:\\WINDOWS", system, {"delete icon", "kill 1", "destroy"}},
      {kCmdMultimedia, {33}, "C:\\WINDOWS", system, {fromWindows}},
      {kCmdMultimedia, {33}, "C:\\WINDOWS\\", system, {fromWindows}},
      // Not in the Windows directory (Windows 2000, XP): the system directory's.
      {kCmdMultimedia, {2, 33}, "C:\\WINDOWS", system, {fromWindows, fromSystem}},
      {kCmdMultimedia, {2}, "C:\\WINDOWS", system, {fromWindows, fromSystem, noMultimedia}},
      {kCmdMultimedia, {2}, "C:\\WINDOWS", "C:\\" + std::string(200, 'S'), {fromWindows, noMultimedia}},
      // Too long for the 128-byte command: never run cut.
      {kCmdMultimedia, {33}, longDir, longDir, {noMultimedia}},
      {kCmdMultimedia, {33}, longDir, system, {fromSystem}},
      {kCmdUninstall, {2}, "C:\\WINDOWS", system, {"run C:\\WINDOWS\\\\ZM640UNI.exe"}},
      {kCmdUninstall, {33}, "C:\\" + std::string(200, 'W'), system, {}},
      {40002, {33}, "C:\\WINDOWS", system, {}},
  };
  for (const Case& c : cases) {
    RecordingTray shell;
    shell.windowsDir = c.windowsDir;
    shell.systemDir = c.systemDir;
    shell.runResults = c.runResults;
    TrayState state{};
    TrayStart(shell, state);
    shell.Take();
    TrayCommand(shell, state, c.id);
    EXPECT_EQ(c.expected, shell.calls) << c.id << " " << c.windowsDir;
  }
}

TEST(TrayCommand, AboutNeverOpensASecondBox) {
  Started tray;
  TrayCommand(tray.shell, tray.state, kCmdAbout);
  EXPECT_EQ(Calls({"about"}), tray.shell.Take());
  TrayAboutOpened(tray.state);  // as its procedure does while the box is open
  TrayCommand(tray.shell, tray.state, kCmdAbout);
  EXPECT_EQ(Calls({}), tray.shell.Take());
  TrayAboutClosed(tray.state);
  TrayCommand(tray.shell, tray.state, kCmdAbout);
  EXPECT_EQ(Calls({"about"}), tray.shell.Take());
}

TEST(TrayStop, NoDeadIconOnAnyWayOut) {
  Started tray;
  TrayStop(tray.shell, tray.state);  // destroyed without the Exit command
  EXPECT_EQ(Calls({"delete icon", "close", "release capture", "quit 0"}), tray.shell.Take());
  Started exiting;
  TrayCommand(exiting.shell, exiting.state, kCmdExit);
  TrayStop(exiting.shell, exiting.state);
  EXPECT_EQ(Calls({"delete icon", "kill 1", "destroy", "close", "release capture", "quit 0"}),
            exiting.shell.Take());
}

// Ticks for ms of the 10 ms timer, the clock advancing with them; the icon calls made.
Calls IconCallsOver(RecordingTray& shell, TrayState& state, unsigned ms) {
  Calls icon;
  for (unsigned t = 0; t < ms; t += kAnimationPeriod) {
    shell.clock += kAnimationPeriod;
    TrayTick(shell, state, kAnimationTimer);
    for (const std::string& call : shell.Take())
      if (call.rfind("add ", 0) == 0 || call.rfind("modify ", 0) == 0) icon.push_back(call);
  }
  return icon;
}
Calls IconCallsOver(Started& tray, unsigned ms) { return IconCallsOver(tray.shell, tray.state, ms); }

int Adds(const Calls& calls) {
  int adds = 0;
  for (const std::string& call : calls) adds += call.rfind("add ", 0) == 0;
  return adds;
}

TEST(TrayIconLost, NoShellAddsAgainAtMostOnceASecond) {
  // A shell restarted without a word (Windows 95): the next frame's modify
  // fails, and ticks add the icon again until the shell takes it.
  Started tray(1);
  tray.shell.clock += 3000;
  tray.shell.addResult = tray.shell.modifyResult = 0;
  Calls lost = IconCallsOver(tray, 50);
  EXPECT_EQ(Calls({"modify 147 2", "add 147", "modify 147 6"}), lost);  // at once: added long ago
  EXPECT_EQ(0, tray.state.iconShown);
  Calls away = IconCallsOver(tray, 10000);
  EXPECT_EQ(20, static_cast<int>(away.size()));  // one add and one modify a second, no frames
  EXPECT_EQ(10, Adds(away));
  tray.shell.addResult = tray.shell.modifyResult = 1;  // the shell is back
  Calls back = IconCallsOver(tray, 1000);
  ASSERT_EQ(1, Adds(back));
  EXPECT_EQ(1, tray.state.iconShown);
  Calls after = IconCallsOver(tray, 2000);
  EXPECT_EQ(0, Adds(after));
  EXPECT_EQ(40, static_cast<int>(after.size()));  // animating again: a frame every 50 ms
}

TEST(TrayIconLost, RefusedModifyWithTheIconStillThereMakesNoSecondIcon) {
  Started tray(1);
  tray.shell.clock += 3000;
  tray.shell.modifyResult = 0;
  tray.shell.addResult = 0;  // the shell has the icon: an add fails
  IconCallsOver(tray, 50);
  tray.shell.modifyResult = 1;  // the next modify works: the icon is there
  Calls calls = IconCallsOver(tray, 1500);
  EXPECT_EQ(1, tray.state.iconShown);
  EXPECT_EQ(1, Adds(calls));  // the one failed retry, then frames again
}

TEST(TrayIconLost, ShellNotReadyAtStartGetsTheIconLater) {
  RecordingTray shell;
  shell.addResult = shell.modifyResult = 0;
  TrayState state{};
  TrayStart(shell, state);
  EXPECT_EQ(0, state.iconShown);
  shell.Take();
  EXPECT_EQ(0, Adds(IconCallsOver(shell, state, 990)));  // not before a second has passed
  shell.addResult = 1;
  EXPECT_EQ(Calls({"add 155"}), IconCallsOver(shell, state, 20));  // the frame ran on unseen
  EXPECT_EQ(1, state.iconShown);
}

TEST(TrayIconLost, ClockWrapDoesNotStopTheRetries) {
  Started tray(1);
  tray.shell.clock = 0xFFFFFF00u;
  tray.shell.addResult = tray.shell.modifyResult = 0;
  tray.state.lastAddTime = 0xFFFFFF00u;
  tray.state.iconShown = 0;
  EXPECT_EQ(2, Adds(IconCallsOver(tray, 2100)));  // across the wrap to 0
}

TEST(TrayIconLost, PausedIconComesBackPaused) {
  Started tray(1);
  tray.state.iconPaused = 1;
  tray.state.iconShown = 0;
  tray.shell.clock += 5000;
  EXPECT_EQ(Calls({"add 147"}), IconCallsOver(tray, 10));
}

TEST(TrayIconLost, NoIconAfterExitOrWithoutMixer) {
  Started tray(1);
  TrayCommand(tray.shell, tray.state, kCmdExit);
  tray.shell.Take();
  tray.shell.clock += 5000;
  EXPECT_EQ(Calls({}), IconCallsOver(tray, 2000));
  RecordingTray shell;
  shell.devices = 0;
  TrayState state{};
  TrayStart(shell, state);
  shell.clock += 5000;
  shell.Take();
  TrayTick(shell, state, kAnimationTimer);
  TrayTaskbarCreated(shell, state);
  for (const std::string& call : shell.calls) EXPECT_NE(0u, call.rfind("add ", 0)) << call;
}

TEST(TrayTaskbarCreated, IconComesBackAsItWas) {
  Started tray;
  TrayTaskbarCreated(tray.shell, tray.state);
  EXPECT_EQ(Calls({"add 146"}), tray.shell.Take());  // the frame shown: 145 + AnimFrame
  tray.state.iconPaused = 1;
  TrayTaskbarCreated(tray.shell, tray.state);
  EXPECT_EQ(Calls({"add 147"}), tray.shell.Take());
  tray.shell.addResult = 0;  // the shell kept it: the modify proves it, no second add
  TrayTaskbarCreated(tray.shell, tray.state);
  EXPECT_EQ(Calls({"add 147", "modify 147 6"}), tray.shell.Take());
  EXPECT_EQ(1, tray.state.iconShown);
  TrayCommand(tray.shell, tray.state, kCmdExit);
  tray.shell.Take();
  TrayTaskbarCreated(tray.shell, tray.state);
  EXPECT_EQ(Calls({}), tray.shell.Take());
}

}  // namespace
