#include "framework/MessageWindow.h"

#include <windows.h>

#include <cassert>
#include <deque>
#include <string>
#include <utility>

#include "framework/Exception.h"
#include "framework/ExceptionGuard.h"

namespace framework {

namespace {

constexpr wchar_t kClassName[] = L"BassFirmwareMessageWindow";

// What a window's procedure needs; the window's user data points here while the window lives.
struct WindowState {
  TWndMethod method;
  bool abandoned = false;
  bool delivering = false;
  // Messages that came while the method ran a modal loop of its own, in their order.
  std::deque<TMessage> deferred;
};

WindowState* StateOf(::HWND window) {
  return reinterpret_cast<WindowState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Deliver(WindowState& state, TMessage& message) {
  state.delivering = true;
  RunGuarded([&state, &message] { state.method(message); });
  state.delivering = false;
}

// A method that runs a modal loop (a message box) would otherwise be called again from inside it,
// with a message that overtakes the one still on the stack: such messages wait until it returns.
LRESULT CALLBACK MessageWindowProcedure(::HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowState* const state = StateOf(window);
  // Creation and destruction messages come before the state is set and after it is gone.
  if (state == nullptr) return ::DefWindowProcW(window, msg, wParam, lParam);
  TMessage message{.Msg = msg, .WParam = wParam, .LParam = lParam};
  if (state->abandoned) return 0;
  if (state->delivering) {
    state->deferred.push_back(message);
    return 0;
  }
  Deliver(*state, message);
  while (!state->deferred.empty() && !state->abandoned) {
    TMessage waiting = state->deferred.front();
    state->deferred.pop_front();
    Deliver(*state, waiting);
  }
  return message.Result;
}

HINSTANCE ProgramInstance() { return ::GetModuleHandleW(nullptr); }

void RegisterWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = MessageWindowProcedure;
    windowClass.hInstance = ProgramInstance();
    windowClass.lpszClassName = kClassName;
    if (::RegisterClassExW(&windowClass) == 0)
      throw Exception("Cannot register the message window class: system error " + std::to_string(::GetLastError()));
    return true;
  }();
  static_cast<void>(registered);
}

}  // namespace

HWND AllocateHWnd(TWndMethod method) {
  RegisterWindowClass();
  ::HWND window =
      ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ProgramInstance(), nullptr);
  if (window == nullptr)
    throw Exception("Cannot create a message window: system error " + std::to_string(::GetLastError()));
  auto* state = new WindowState{.method = std::move(method)};
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
  return window;
}

// DestroyWindow also takes the window's messages out of the thread's queue.
void DeallocateHWnd(HWND window) {
  if (window == nullptr) return;
  WindowState* const state = StateOf(window);
  assert((state == nullptr || !state->delivering) && "a window must not be destroyed from its own method");
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  delete state;
  ::DestroyWindow(window);
}

void AbandonHWnd(HWND window) {
  if (window == nullptr) return;
  if (WindowState* const state = StateOf(window)) {
    state->abandoned = true;
    state->deferred.clear();
  }
}

// The system would take an empty handle for the thread's own queue; here it is a mistake.
bool PostMessageA(HWND window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) noexcept {
  if (window == nullptr) {
    ::SetLastError(kErrorInvalidWindowHandle);
    return false;
  }
  return ::PostMessageA(window, message, wParam, lParam) != FALSE;
}

std::uint32_t GetLastError() noexcept { return ::GetLastError(); }

}  // namespace framework
