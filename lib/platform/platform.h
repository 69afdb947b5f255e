// Small stand-ins for the operating-system services the library is built
// around: per-thread message queues, named semaphores and events, window
// notification, threads with a bounded wait, and a millisecond clock.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

struct QmrWindow;

namespace qmr::platform {

struct Message {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// A thread's message queue.  Messages outside a get/peek range stay queued
// in their order, as the worker relies on for commands that wait their turn.
class MessageQueue {
public:
    void post(const Message& m);
    // Blocks until a message in [lo, hi] is queued and removes it.
    Message get(uint32_t lo, uint32_t hi);
    // Waits up to ms for a message in [lo, hi] to be queued (it stays queued).
    bool waitFor(uint32_t lo, uint32_t hi, int ms);
    // Removes the first queued message in [lo, hi] without waiting.
    bool peek(Message& out, uint32_t lo, uint32_t hi);
    size_t size() const;
    // Lock-free hint for hot loops: false when nothing is queued.
    bool hasMessages() const { return count_.load(std::memory_order_acquire) != 0; }

private:
    bool takeLocked(Message& out, uint32_t lo, uint32_t hi);
    bool hasLocked(uint32_t lo, uint32_t hi) const;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Message> queue_;
    std::atomic<size_t> count_{0};
};

// Thread identifiers: a queue registered here can be reached by its id.
uint32_t registerQueue(std::shared_ptr<MessageQueue> queue);
void unregisterQueue(uint32_t id);
bool postThreadMessage(uint32_t id, uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);

// Named counting semaphore: opening the same name again within the process
// gives the same object; it lives until its last handle is closed.
class Semaphore {
public:
    Semaphore(int initial, int maximum) : count_(initial), max_(maximum) {}
    void wait();
    bool waitFor(int ms);
    bool release();

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    int count_;
    int max_;
};

class Event {
public:
    Event(bool manualReset, bool initial) : manual_(manualReset), signalled_(initial) {}
    void set();
    void reset();
    bool waitFor(int ms);

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool manual_;
    bool signalled_;
};

Semaphore* openSemaphore(const char* name, int initial, int maximum);
void closeSemaphore(Semaphore* s);
Event* openEvent(const char* name, bool manualReset, bool initial);
void closeEvent(Event* e);

// Holds a semaphore for the lifetime of a scope.
class SemaphoreLock {
public:
    explicit SemaphoreLock(Semaphore* s) : s_(s) { s_->wait(); }
    ~SemaphoreLock() { s_->release(); }
    SemaphoreLock(const SemaphoreLock&) = delete;
    SemaphoreLock& operator=(const SemaphoreLock&) = delete;

private:
    Semaphore* s_;
};

// Posts a window message to a notify target; a null window posts nothing.
void postWindowMessage(QmrWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// A thread with its own registered message queue.  waitFor() bounds the wait
// for its end; join() must follow before the thread's data is freed.
class Thread {
public:
    Thread() = default;
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    bool start(std::function<void()> body);
    uint32_t id() const { return id_; }
    MessageQueue& queue() { return *queue_; }
    bool waitFor(int ms);
    void join();

private:
    std::shared_ptr<MessageQueue> queue_ = std::make_shared<MessageQueue>();
    std::thread thread_;
    uint32_t id_ = 0;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool finished_ = false;
};

// Milliseconds of a monotonic clock.
uint64_t tickMs();

}  // namespace qmr::platform
