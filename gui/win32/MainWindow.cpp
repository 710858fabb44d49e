#include "gui/win32/MainWindow.h"

#include <commctrl.h>

#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "trackio/Interruption.h"

namespace gui::win32 {

namespace {

// A fixed frame: the buttons do not follow a resized window.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = 0;
// Above IDOK and IDCANCEL, which the dialog keys send for Enter and Escape.
constexpr int kFirstButtonId = 100;
// Long work: its thread reports a change; the time to show its progress came.
constexpr UINT kWorkChangedMessage = WM_APP + 1;
constexpr UINT_PTR kProgressTimer = 1;

int ButtonId(CommandButton button) { return kFirstButtonId + static_cast<int>(button); }

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  // The program's own icon (resource 1) in the title bar and on the
  // taskbar; the system's where the executable has none (the tests).
  windowClass.hIcon = LoadIcon(instance, MAKEINTRESOURCE(1));
  if (windowClass.hIcon == nullptr) windowClass.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowObjectName;
  if (RegisterClassExA(&windowClass) == 0) {
    const DWORD error = GetLastError();
    if (error != ERROR_CLASS_ALREADY_EXISTS) {
      throw std::runtime_error("cannot register the window class (error " + std::to_string(error) +
                               ")");
    }
  }
}

// MessageBox places itself where the system chooses, which need not be over
// its owner. A hook on this thread moves it there as it is activated,
// before it is drawn.
HWND centreOn = nullptr;
HHOOK centringHook = nullptr;

void CentreOver(HWND box, HWND owner) {
  RECT boxRect{};
  GetWindowRect(box, &boxRect);
  const POINT place = CentredOn(owner, {boxRect.right - boxRect.left, boxRect.bottom - boxRect.top});
  SetWindowPos(box, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK CentreBoxHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && centringHook != nullptr) {
    CentreOver(reinterpret_cast<HWND>(wParam), centreOn);
    UnhookWindowsHookEx(std::exchange(centringHook, nullptr));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

int CentredMessageBox(HWND owner, const std::string& text, const std::string& title, UINT type) {
  centreOn = owner;
  centringHook = SetWindowsHookExA(WH_CBT, CentreBoxHook, nullptr, GetCurrentThreadId());
  const int answer = MessageBoxA(owner, text.c_str(), title.c_str(), type);
  if (centringHook != nullptr) UnhookWindowsHookEx(std::exchange(centringHook, nullptr));
  return answer;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, FileDialogs& dialogs, TrackOperations operations)
    : controller_(*this, dialogs, std::move(operations)), instance_(instance) {
  // Themed buttons (the manifest asks for version 6 of the common controls),
  // the progress bar and the tooltips: loaded before the first control is made.
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  RegisterWindowClass(instance, &MainWindow::WindowProc);
  // The size follows once the window knows the DPI of its screen.
  CreateWindowExA(kWindowExStyle, kWindowObjectName, kWindowCaption, kWindowStyle, CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
  if (window_ == nullptr) {
    throw std::runtime_error("cannot create the window (error " + std::to_string(GetLastError()) +
                             ")");
  }
  try {
    CreateButtons();
    CreateToolTips();
    ApplyDpi(WindowDpi(window_), nullptr);
    DragAcceptFiles(window_, TRUE);
  } catch (...) {
    // No destructor runs for a half-made object: the window must not
    // outlive it.
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    throw;
  }
}

MainWindow::~MainWindow() {
  if (window_ != nullptr) {
    // Detached first: destroying the window from here is no user's close.
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  if (font_ != nullptr) DeleteObject(font_);
}

void MainWindow::CreateButtons() {
  // Creation order is tab order, and the table is in tab order.
  bool first = true;
  for (const ButtonLayout& layout : kButtonLayouts) {
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    if (first) style |= WS_GROUP;  // the arrow keys move among all three
    if (!controller_.IsEnabled(layout.button)) style |= WS_DISABLED;
    first = false;
    HWND button = CreateWindowExA(0, "BUTTON", layout.caption, style, 0, 0, 0, 0, window_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(ButtonId(layout.button))),
                                  instance_, nullptr);
    if (button == nullptr) {
      throw std::runtime_error("cannot create the button \"" + std::string(layout.caption) +
                               "\" (error " + std::to_string(GetLastError()) + ")");
    }
    buttons_[static_cast<size_t>(layout.button)] = button;
  }
}

// Each button has two tools with the same text. The tooltip control hears
// the mouse of an enabled button through the button itself; over a disabled
// one the mouse goes to the window instead, where the second tool, the
// button's rectangle in the window, picks it up (as Qt shows a disabled
// button's tooltip too).
void MainWindow::CreateToolTips() {
  toolTip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                             nullptr, instance_, nullptr);
  if (toolTip_ == nullptr) {
    throw std::runtime_error("cannot create the tooltips (error " + std::to_string(GetLastError()) + ")");
  }
  for (const ButtonLayout& layout : kButtonLayouts) {
    for (TOOLINFOA tool : ToolsOf(layout.button)) {
      tool.lpszText = const_cast<char*>(layout.toolTip);
      SendMessageA(toolTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
}

std::array<TOOLINFOA, 2> MainWindow::ToolsOf(CommandButton button) const {
  std::array<TOOLINFOA, 2> tools{};
  for (TOOLINFOA& tool : tools) {
    tool.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every version of the common controls
    tool.hwnd = window_;
  }
  tools[0].uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tools[0].uId = reinterpret_cast<UINT_PTR>(Button(button));
  tools[1].uFlags = TTF_SUBCLASS;
  tools[1].uId = static_cast<UINT_PTR>(ButtonId(button));
  return tools;
}

void MainWindow::SetButtonToolTip(CommandButton button, const std::string& text) {
  for (TOOLINFOA tool : ToolsOf(button)) {
    tool.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(toolTip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

std::string MainWindow::ToolTipText(CommandButton button, bool disabled) const {
  // The wide form: the narrow one hands back 80 bytes at most.
  const TOOLINFOA narrow = ToolsOf(button)[disabled ? 1 : 0];
  wchar_t text[1024] = {};
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = narrow.uFlags;
  tool.hwnd = narrow.hwnd;
  tool.uId = narrow.uId;
  tool.lpszText = text;
  SendMessageW(toolTip_, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
  char converted[4 * std::size(text)] = {};
  WideCharToMultiByte(CP_ACP, 0, text, -1, converted, sizeof converted, nullptr, nullptr);
  return converted;
}

void MainWindow::ApplyDpi(Dpi dpi, const RECT* suggested) {
  const SIZE frame = WindowSizeForClient(ClientSize(dpi), kWindowStyle, kWindowExStyle, dpi);
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  if (suggested == nullptr) flags |= SWP_NOMOVE;
  SetWindowPos(window_, nullptr, suggested ? suggested->left : 0, suggested ? suggested->top : 0,
               frame.cx, frame.cy, flags);

  HFONT font = CreateMessageFont(dpi);
  for (const ButtonLayout& layout : kButtonLayouts) {
    const RECT place = ButtonRect(layout, dpi);
    HWND button = Button(layout.button);
    MoveWindow(button, place.left, place.top, place.right - place.left, place.bottom - place.top,
               TRUE);
    SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    TOOLINFOA area = ToolsOf(layout.button)[1];
    area.rect = place;
    SendMessageA(toolTip_, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&area));
  }
  // Wide enough for the longest line; "\n" starts a new one.
  SendMessageA(toolTip_, TTM_SETMAXTIPWIDTH, 0, TwipsToPixels(kClientWidthTwips, dpi.x));
  if (font_ != nullptr) DeleteObject(font_);
  font_ = font;
}

void MainWindow::Show(int showCommand) {
  ShowWindow(window_, showCommand);
  UpdateWindow(window_);
  SetFocus(Button(CommandButton::Load));
}

bool MainWindow::HandleDialogKey(MSG& message) { return IsDialogMessageA(window_, &message) != FALSE; }

void MainWindow::SetButtonEnabled(CommandButton button, bool enabled) {
  HWND control = Button(button);
  const bool hadFocus = GetFocus() == control;
  EnableWindow(control, enabled ? TRUE : FALSE);
  // A disabled button cannot keep the focus: hand it on as Tab would.
  if (hadFocus && !enabled) SetFocus(GetNextDlgTabItem(window_, control, FALSE));
}

void MainWindow::ShowWarning(const WarningMessage& message) {
  std::string text = message.text;
  if (!message.informative.empty()) text += "\n" + message.informative;
  CentredMessageBox(window_, text, message.title, MB_ICONEXCLAMATION | MB_OK);
}

bool MainWindow::AskYesNo(const std::string& title, const std::string& question) {
  return CentredMessageBox(window_, question, title, MB_ICONEXCLAMATION | MB_YESNO | MB_DEFBUTTON2) == IDYES;
}

WindowHandle MainWindow::OwnerWindow() { return window_; }

void MainWindow::RunLongWork(const std::string& label, const LongWork& work) {
  // Disabled, the window takes no input but is drawn as it is, as a
  // dialog's owner is; all of it is undone however the work ends.
  class Working {
   public:
    Working(MainWindow& window, const std::string& label)
        : window_(window), focus_(GetFocus()) {
      window_.workLabel_ = label;
      EnableWindow(window_.window_, FALSE);
      SetCursor(LoadCursor(nullptr, IDC_WAIT));
      SetTimer(window_.window_, kProgressTimer, kProgressDelayMilliseconds, nullptr);
    }
    ~Working() {
      KillTimer(window_.window_, kProgressTimer);
      window_.work_ = nullptr;
      EnableWindow(window_.window_, TRUE);  // before the progress window goes: the focus comes back here
      window_.progress_.reset();
      if (focus_ != nullptr && IsChild(window_.window_, focus_) && IsWindowEnabled(focus_)) SetFocus(focus_);
      SetCursor(LoadCursor(nullptr, IDC_ARROW));
    }
    Working(const Working&) = delete;
    Working& operator=(const Working&) = delete;

   private:
    MainWindow& window_;
    HWND focus_;
  };

  std::optional<int> quitCode;  // a WM_QUIT met meanwhile, handed on at the end
  {
    const Working working(*this, label);
    BackgroundWork background(work, [window = window_] { PostMessageA(window, kWorkChangedMessage, 0, 0); });
    work_ = &background;
    MSG message;
    while (!background.Ended()) {
      if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
        quitCode = static_cast<int>(message.wParam);
        break;  // the work ends while this waits for it
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    background.Finish();
  }
  if (quitCode) PostQuitMessage(*quitCode);
}

void MainWindow::ShowProgress() {
  KillTimer(window_, kProgressTimer);
  if (work_ == nullptr || work_->Ended() || progress_ != nullptr) return;
  progress_ = std::make_unique<ProgressWindow>(instance_, window_, workLabel_, work_->Percent(), font_,
                                               WindowDpi(window_));
}

void MainWindow::OnFilesDropped(HDROP drop) {
  std::vector<std::string> paths;
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::string path(DragQueryFileA(drop, i, nullptr, 0), '\0');
    DragQueryFileA(drop, i, path.data(), static_cast<UINT>(path.size() + 1));
    paths.push_back(std::move(path));
  }
  DragFinish(drop);
  const std::string chosen = ChooseDroppedFile(paths);
  if (!chosen.empty()) controller_.LoadTrackFrom(chosen);
}

void MainWindow::OnButtonClicked(int controlId) {
  if (controlId == ButtonId(CommandButton::Load)) controller_.btnLoad_Click();
  if (controlId == ButtonId(CommandButton::Mod)) controller_.btnMod_Click();
  if (controlId == ButtonId(CommandButton::Save)) controller_.btnSave_Click();
}

// Enter presses the focused button: the dialog keys ask for the default
// button, and the focused one is it.
LRESULT MainWindow::DefaultButtonId() const {
  HWND focus = GetFocus();
  for (HWND button : buttons_) {
    if (button == focus) return MAKELRESULT(GetDlgCtrlID(button), DC_HASDEFID);
  }
  return 0;
}

void MainWindow::MoveFocus(WPARAM wParam, LPARAM lParam) {
  HWND next = LOWORD(lParam) != 0 ? reinterpret_cast<HWND>(wParam)  // this control
                                  : GetNextDlgTabItem(window_, GetFocus(), wParam != 0);
  if (next != nullptr) SetFocus(next);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  // No exception may cross back into the system: a command that fails in an
  // unforeseen way is reported, and the window goes on.
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (const std::exception& failure) {
    MessageBoxA(window, ("The command could not be completed.\n" + std::string(failure.what())).c_str(),
                kWindowCaption, MB_ICONEXCLAMATION | MB_OK);
    return 0;
  }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) OnButtonClicked(LOWORD(wParam));
      return 0;
    case WM_DROPFILES:
      OnFilesDropped(reinterpret_cast<HDROP>(wParam));
      return 0;
    case DM_GETDEFID:
      return DefaultButtonId();
    case WM_NEXTDLGCTL:
      // The dialog keys move the focus with this message, which only a
      // dialog's own window procedure would otherwise answer.
      MoveFocus(wParam, lParam);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) focusWhenInactive_ = focus;
      } else {
        HWND focus = focusWhenInactive_;
        if (focus == nullptr || !IsWindowEnabled(focus)) focus = Button(CommandButton::Load);
        SetFocus(focus);
      }
      return 0;
    case kWorkChangedMessage:
      if (work_ != nullptr && progress_ != nullptr) progress_->SetPercent(work_->Percent());
      return 0;
    case WM_TIMER:
      if (wParam == kProgressTimer) ShowProgress();
      return 0;
    case WM_SETCURSOR:
      if (work_ == nullptr) break;
      SetCursor(LoadCursor(nullptr, IDC_WAIT));
      return TRUE;
    case WM_CLOSE:
      if (work_ != nullptr) return 0;  // not in the middle of a load or a save
      break;
    case WM_ENDSESSION:
      // Windows may end the process once this returns: a save under way
      // leaves no temporary file, and the file it replaces stays as it was.
      if (wParam) trackio::RemoveTemporaryFiles();
      return 0;
    case WM_DPICHANGED:
      ApplyDpi({LOWORD(wParam), HIWORD(wParam)}, reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      HWND window = window_;
      window_ = nullptr;
      return DefWindowProcA(window, message, wParam, lParam);
    }
    default:
      break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

}  // namespace gui::win32
