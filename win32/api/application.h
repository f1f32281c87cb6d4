// The application object: hidden owner window, title, main form and the one message loop.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "win32/message_loop.h"

namespace vellicord {

class TForm;

class TApplication {
 public:
  // The one application of the process; its title starts as DefaultTitle of the program file
  // and its window is created on first use of Handle().
  static TApplication& Instance();

  // The hidden owner window: forms without a parent are owned by it, so they get no task-bar
  // button of their own.
  HWND Handle();
  const std::wstring& Title() const { return title_; }
  void SetTitle(const std::wstring& title);

  void SetMainForm(TForm* form) { mainForm_ = form; }
  TForm* MainForm() const { return mainForm_; }

  // Shows the main form (unless the program already ended) and pumps messages until
  // Terminate. Handles registered with AddWaitable are waited on together with the queue.
  void Run(int showCommand);
  // Ends the message loop; safe to call more than once and before Run.
  void Terminate();
  bool Terminated() const { return loop_.Terminated(); }

  // A kernel object the loop waits on; its callback runs on this thread, never nested. False
  // when the loop won't wait on it; onWaitFailed runs if the loop's wait fails later.
  bool AddWaitable(HANDLE handle, std::function<void()> onSignal,
                   std::function<void()> onWaitFailed);
  void RemoveWaitable(HANDLE handle);

  // An ordinary timer on the application's window (WM_TIMER); 0 when none could be set.
  UINT_PTR StartTimer(UINT intervalMs, std::function<void()> onTimer);
  void StopTimer(UINT_PTR id);

 private:
  TApplication();
  static LRESULT CALLBACK AppProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND handle_ = nullptr;
  std::wstring title_;
  TForm* mainForm_ = nullptr;
  MessageLoop loop_;
  UINT_PTR nextTimer_ = 1;
  std::map<UINT_PTR, std::function<void()>> timers_;
};

}  // namespace vellicord
