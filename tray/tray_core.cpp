#include "tray_core.h"

#include "text.h"

const char kLabelTurnOff[] = "Turn Off 3D Effect";
const char kLabelTurnOn[] = "Turn On 3D Effect";

void ReadSwitch(TrayShell& shell, TrayState& state) {
  unsigned value = 0;
  if (shell.MixerRead(&value) == 0) state.effectOff = value == 0;  // a failed read changes nothing
}

void WriteSwitch(TrayShell& shell, const TrayState& state) {
  if (shell.MixerWrite(state.effectOff ? 0 : 1) != 0)
    shell.ShowMessage("Error Setup Mixer", "Unable to control 3D");
}

namespace {

// 1 when the mixer is open; otherwise the quit request has been posted.
int StartMixer(TrayShell& shell, TrayState& state) {
  if (shell.MixerDeviceCount() == 0 || shell.MixerOpen() != 0) {
    shell.ReleaseMouseCapture();
    shell.PostQuit(0);
    return 0;
  }
  ReadSwitch(shell, state);
  return 1;
}

void StartIcon(TrayShell& shell, TrayState& state, int mixerOpen) {
  state.menuSaysTurnOff = state.effectOff;  // disagrees on purpose: the first tick syncs
  state.iconPaused = 0;
  shell.LoadPausedIcon();
  shell.StartTimer(kAnimationTimer, kAnimationPeriod);
  // Once the quit request is posted no icon is added: it would outlive the process.
  if (mixerOpen) {
    state.iconWanted = 1;
    state.lastAddTime = shell.Milliseconds();
    state.iconShown = shell.AddIcon(kTrayIconId);  // a shell not yet there: a later tick adds it
  }
  state.animFrame = 1;
}

void ReadWindowsDirectory(TrayShell& shell, TrayState& state) {
  unsigned length = shell.WindowsDirectory(state.windowsDir, sizeof state.windowsDir);
  if (length == 0 || length >= sizeof state.windowsDir) {
    state.windowsDir[0] = '\0';  // unusable: the commands built on it will not fit
    return;
  }
  if (state.windowsDir[length - 1] != '\\' && length + 1 < sizeof state.windowsDir) {
    state.windowsDir[length] = '\\';
    state.windowsDir[length + 1] = '\0';
  }
}

void SyncLabelAndMixer(TrayShell& shell, TrayState& state) {
  const char* label;
  if (state.effectOff && state.menuSaysTurnOff) {
    state.menuSaysTurnOff = 0;
    label = kLabelTurnOn;
  } else if (!state.effectOff && !state.menuSaysTurnOff) {
    state.menuSaysTurnOff = 1;
    label = kLabelTurnOff;
  } else {
    return;  // in step: no mixer call
  }
  shell.SetMenuLabel(label);
  // The label state is already updated: ticks during a failure box do not write again.
  WriteSwitch(shell, state);
}

// A modify of an icon the shell no longer has fails: the icon is then re-added.
void ShowIconChange(TrayShell& shell, TrayState& state, int icon, unsigned flags) {
  if (state.iconShown && !shell.ModifyIcon(icon, flags)) state.iconShown = 0;
}

void Animate(TrayShell& shell, TrayState& state) {
  state.tickCount = (state.tickCount + 1) % kTicksPerFrame;
  if (state.tickCount != 0 || state.iconPaused) return;
  state.animFrame = (state.animFrame + 1) % kFrameCount;
  ShowIconChange(shell, state, kTrayIconId + state.animFrame, kNifIcon);
}

int CurrentIcon(const TrayState& state) {
  return state.iconPaused ? kPausedIcon : kTrayIconId + state.animFrame;
}

// Adds the icon as it looks now. An add that fails may mean the shell has it
// still (Wine's refuses a modify now and then): a modify that works says so,
// and no second icon is made.
void AddIconAgain(TrayShell& shell, TrayState& state) {
  state.lastAddTime = shell.Milliseconds();
  state.iconShown = shell.AddIcon(CurrentIcon(state)) ||
                    shell.ModifyIcon(CurrentIcon(state), kNifIcon | kNifTip);
}

void KeepIconShown(TrayShell& shell, TrayState& state) {
  if (!state.iconWanted || state.iconShown) return;
  if (shell.Milliseconds() - state.lastAddTime < kIconRetryPeriod) return;  // wrap-safe
  AddIconAgain(shell, state);
}

// Runs a command built from the Windows directory; a cut one is never run.
unsigned RunFromWindowsDirectory(TrayShell& shell, const TrayState& state, const char* format) {
  char command[kCommandSize];
  if (state.windowsDir[0] == '\0' || !FormatText(command, sizeof command, format, state.windowsDir))
    return 0;
  return shell.RunProgram(command);
}

const char kMultimediaCommand[] = "%s\\rundll32.exe shell32.dll,Control_RunDLL mmsys.cpl";

// Windows 2000 and XP keep rundll32.exe in the system directory only.
unsigned RunFromSystemDirectory(TrayShell& shell, const char* format) {
  char directory[kCommandSize], command[kCommandSize];
  unsigned length = shell.SystemDirectory(directory, sizeof directory);
  if (length == 0 || length >= sizeof directory ||
      !FormatText(command, sizeof command, format, directory))
    return 0;
  return shell.RunProgram(command);
}

}  // namespace

void TrayStart(TrayShell& shell, TrayState& state) {
  shell.SetMouseCapture();
  int mixerOpen = StartMixer(shell, state);
  StartIcon(shell, state, mixerOpen);
  ReadWindowsDirectory(shell, state);
}

void TrayStop(TrayShell& shell, TrayState& state) {
  if (state.iconWanted) {  // however the window ends, no dead icon stays behind
    shell.DeleteIcon();
    state.iconWanted = 0;
    state.iconShown = 0;
  }
  shell.MixerClose();
  shell.ReleaseMouseCapture();
  shell.PostQuit(0);
}

void TrayTick(TrayShell& shell, TrayState& state, unsigned timerId) {
  if (timerId == kPauseTimer) {
    shell.StopTimer(kPauseTimer);
    state.iconPaused = !state.iconPaused;
    if (state.iconPaused) ShowIconChange(shell, state, kPausedIcon, kNifIcon | kNifTip);
  }
  SyncLabelAndMixer(shell, state);
  Animate(shell, state);
  KeepIconShown(shell, state);
}

void TrayIconEvent(TrayShell& shell, TrayState&, unsigned iconId, unsigned mouseMessage) {
  if (iconId != kTrayIconId) return;
  switch (mouseMessage) {
    case kLeftDown: shell.StartTimer(kPauseTimer, kPausePeriod); break;
    case kLeftDoubleClick: shell.StopTimer(kPauseTimer); break;  // neither pause nor resume
    case kRightDown: shell.ShowPopupMenu(); break;
    default: break;
  }
}

void TrayCommand(TrayShell& shell, TrayState& state, unsigned commandId) {
  switch (commandId) {
    case kCmdExit:
      shell.DeleteIcon();  // before the window goes
      state.iconWanted = 0;
      state.iconShown = 0;
      shell.StopTimer(kAnimationTimer);
      shell.DestroyWindow();
      break;
    case kCmdAbout:
      if (!state.aboutOpen) shell.ShowAbout();
      break;
    case kCmdToggle3D:
      Toggle3D(state);  // the label and the mixer follow at the next tick
      break;
    case kCmdMultimedia:
      if (RunFromWindowsDirectory(shell, state, kMultimediaCommand) < 32 &&
          RunFromSystemDirectory(shell, kMultimediaCommand) < 32)
        shell.ShowMessage("Error Message", "Unable to open MultiMedia windows");
      break;
    case kCmdUninstall:
      RunFromWindowsDirectory(shell, state, "%s\\ZM640UNI.exe");
      break;
    default:
      break;
  }
}

void TrayMixerChange(TrayShell& shell, TrayState& state, unsigned long lParam) {
  if ((lParam & 0xFFFF) == kMixerControl3D) ReadSwitch(shell, state);
}

void TrayTaskbarCreated(TrayShell& shell, TrayState& state) {
  if (state.iconWanted) AddIconAgain(shell, state);
}
