// The application object: hidden owner window, title, main form and the one message loop.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

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
  bool Terminated() const { return terminated_; }

  // A kernel object the loop waits on; its callback runs on this thread, never nested.
  void AddWaitable(HANDLE handle, std::function<void()> onSignal);
  void RemoveWaitable(HANDLE handle);

 private:
  TApplication();
  void DispatchPending();

  HWND handle_ = nullptr;
  std::wstring title_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  bool inWaitCallback_ = false;
  std::vector<HANDLE> waitHandles_;
  std::vector<std::function<void()>> waitCallbacks_;
};

}  // namespace vellicord
