// The tray utility's decisions: what start-up, a timer tick, a tray click, a
// menu command and a mixer notification do to its state, and which Windows
// calls they ask for. Portable: the calls are made by the TrayShell it is given.
#pragma once

// Identifiers shared with the resources and the Windows side.
enum {
  kTrayIconId = 145,        // the icon's uID, and the first animation frame
  kPausedIcon = 147,
  kFrameCount = 11,         // icons 145 to 155
  kTicksPerFrame = 5,
  kTrayCallback = 1124,     // WM_USER + 100
  kAnimationTimer = 1,
  kAnimationPeriod = 10,    // ms
  kPauseTimer = 2,
  kPausePeriod = 500,       // ms: a click not followed by a double-click
  kMixerControl3D = 41,
  kCmdExit = 40001,
  kCmdAbout = 40004,
  kCmdToggle3D = 40005,
  kCmdMultimedia = 40006,
  kCmdUninstall = 40007,
  kCommandSize = 128,
  kIconRetryPeriod = 1000,  // ms between adds while the shell has lost the icon
};

// Notification-area flags, as Shell_NotifyIconA takes them.
enum { kNifMessage = 1, kNifIcon = 2, kNifTip = 4 };
// Mouse messages the icon's callback carries.
enum { kLeftDown = 0x201, kLeftDoubleClick = 0x203, kRightDown = 0x204 };

extern const char kLabelTurnOff[];  // "Turn Off 3D Effect"
extern const char kLabelTurnOn[];   // "Turn On 3D Effect"

struct TrayState {
  int effectOff;        // the wanted 3D state: 1 when the effect is to be off
  int menuSaysTurnOff;  // 1 when the menu item reads "Turn Off 3D Effect"
  int iconPaused;
  int animFrame;        // 0 to 10: icon 145 + animFrame is shown
  int tickCount;        // 0 to 4
  int aboutOpen;
  int iconWanted;       // the icon belongs in the notification area (until Exit)
  int iconShown;        // the shell's last answer says it is there
  unsigned lastAddTime; // ms: the last add asked of the shell
  char windowsDir[kCommandSize];  // always ends in a backslash
};

// What the utility asks of Windows, one member per call or close to it.
class TrayShell {
 public:
  virtual void SetMouseCapture() = 0;
  virtual void ReleaseMouseCapture() = 0;
  virtual void PostQuit(int exitCode) = 0;
  virtual void DestroyWindow() = 0;

  virtual unsigned MixerDeviceCount() = 0;
  virtual unsigned MixerOpen() = 0;  // device 0, notifications to the window; 0 = done
  // The 3D switch (control 41): 0 = MMSYSERR_NOERROR.
  virtual unsigned MixerRead(unsigned* value) = 0;
  virtual unsigned MixerWrite(unsigned value) = 0;
  virtual void MixerClose() = 0;

  virtual void LoadPausedIcon() = 0;
  // 1 when the shell took the call. An add fails also where the shell has
  // the icon already; a modify fails where it has none.
  virtual int AddIcon(int icon) = 0;                     // NIM_ADD, flags 7
  virtual int ModifyIcon(int icon, unsigned flags) = 0;  // NIM_MODIFY
  virtual void DeleteIcon() = 0;                          // NIM_DELETE
  virtual void StartTimer(unsigned id, unsigned period) = 0;
  virtual void StopTimer(unsigned id) = 0;

  virtual void SetMenuLabel(const char* label) = 0;  // position 2 of the popup
  virtual void ShowPopupMenu() = 0;                   // at the cursor
  virtual void ShowAbout() = 0;                       // modal; its procedure calls the About hooks
  virtual void ShowMessage(const char* text, const char* caption) = 0;
  virtual unsigned RunProgram(const char* commandLine) = 0;  // WinExec, SW_SHOW
  virtual unsigned WindowsDirectory(char* buffer, unsigned size) = 0;
  virtual unsigned SystemDirectory(char* buffer, unsigned size) = 0;  // GetSystemDirectoryA
  virtual unsigned Milliseconds() = 0;  // GetTickCount: wraps after 49.7 days

 protected:
  ~TrayShell() {}
};

// WM_CREATE: mixer, icon and animation, Windows directory, in that order.
void TrayStart(TrayShell& shell, TrayState& state);
// WM_DESTROY.
void TrayStop(TrayShell& shell, TrayState& state);
// WM_TIMER, whatever its id. A tick also adds the icon again, at most once a
// second, while the shell has lost it: Windows 95's shell never says when it
// has restarted.
void TrayTick(TrayShell& shell, TrayState& state, unsigned timerId);
// The icon's callback message.
void TrayIconEvent(TrayShell& shell, TrayState& state, unsigned iconId, unsigned mouseMessage);
// WM_COMMAND.
void TrayCommand(TrayShell& shell, TrayState& state, unsigned commandId);
// MM_MIXM_CONTROL_CHANGE.
void TrayMixerChange(TrayShell& shell, TrayState& state, unsigned long lParam);
// The taskbar was created anew (the shell restarted, and says so): the icon
// comes back at once.
void TrayTaskbarCreated(TrayShell& shell, TrayState& state);
// The About box's procedure: opened, and closed by OK or its close box.
inline void TrayAboutOpened(TrayState& state) { state.aboutOpen = 1; }
inline void TrayAboutClosed(TrayState& state) { state.aboutOpen = 0; }

// Read switch and Write switch of the mixer, and the menu's 3D command.
void ReadSwitch(TrayShell& shell, TrayState& state);
void WriteSwitch(TrayShell& shell, const TrayState& state);
inline void Toggle3D(TrayState& state) { state.effectOff = !state.effectOff; }
