#pragma once

// The game's window: made on a thread of its own that pumps its messages, apart from the render
// thread that draws into it. The game's window procedure records every message that reaches it.

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace HostGame {

// One message as the game's own procedure received it.
struct ReceivedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class GameWindow {
public:
    // A hidden pop-up window with a client area of the size, at the screen's origin. Throws
    // std::runtime_error when the window cannot be made.
    GameWindow(int width, int height);
    ~GameWindow();  // the window thread destroys the window and ends
    GameWindow(const GameWindow&) = delete;
    GameWindow& operator=(const GameWindow&) = delete;

    HWND handle() const { return m_window; }

    // Runs the job on the window's thread, between two of its messages, and waits for it.
    void runOnWindowThread(const std::function<void()>& job);

    // A key press as the keyboard gives it: WM_KEYDOWN, then WM_CHAR for a letter, then WM_KEYUP,
    // each sent on the window's thread while its keyboard state has Ctrl held or not. Returns
    // what WM_KEYDOWN returned.
    LRESULT pressKey(uint8_t virtualKey, bool ctrl);
    // One message sent on the window's thread, with the keyboard state as it is.
    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam);

    // Everything that reached the game's own procedure so far.
    std::vector<ReceivedMessage> received() const;
    // How many messages of this kind and wParam reached it.
    int receivedCount(UINT message, WPARAM wParam) const;

private:
    static LRESULT CALLBACK gameProcedure(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam);
    void pump(int width, int height);
    void runQueuedJobs();

    HWND m_window = nullptr;
    DWORD m_threadId = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_ready = false;
    bool m_failed = false;
    std::deque<std::function<void()>*> m_jobs;
    std::vector<ReceivedMessage> m_received;

    std::thread m_thread;  // last: starts once everything above is built
};

}  // namespace HostGame
