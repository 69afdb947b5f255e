#include "platform.h"

#include <map>
#include <string>

#include "qmr/qmr.h"

namespace qmr::platform {

void MessageQueue::post(const Message& m)
{
    {
        std::lock_guard<std::mutex> g(mutex_);
        queue_.push_back(m);
        count_.store(queue_.size(), std::memory_order_release);
    }
    cv_.notify_all();
}

bool MessageQueue::takeLocked(Message& out, uint32_t lo, uint32_t hi)
{
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (it->message >= lo && it->message <= hi) {
            out = *it;
            queue_.erase(it);
            count_.store(queue_.size(), std::memory_order_release);
            return true;
        }
    }
    return false;
}

bool MessageQueue::hasLocked(uint32_t lo, uint32_t hi) const
{
    for (const auto& m : queue_)
        if (m.message >= lo && m.message <= hi) return true;
    return false;
}

bool MessageQueue::waitFor(uint32_t lo, uint32_t hi, int ms)
{
    std::unique_lock<std::mutex> g(mutex_);
    return cv_.wait_for(g, std::chrono::milliseconds(ms), [&] { return hasLocked(lo, hi); });
}

Message MessageQueue::get(uint32_t lo, uint32_t hi)
{
    std::unique_lock<std::mutex> g(mutex_);
    Message m;
    cv_.wait(g, [&] { return takeLocked(m, lo, hi); });
    return m;
}

bool MessageQueue::peek(Message& out, uint32_t lo, uint32_t hi)
{
    std::lock_guard<std::mutex> g(mutex_);
    return takeLocked(out, lo, hi);
}

size_t MessageQueue::size() const
{
    std::lock_guard<std::mutex> g(mutex_);
    return queue_.size();
}

namespace {
struct QueueRegistry {
    std::mutex mutex;
    std::map<uint32_t, std::shared_ptr<MessageQueue>> queues;
    uint32_t next = 1;
};
QueueRegistry& queues()
{
    static QueueRegistry r;
    return r;
}

template <class T>
struct Named {
    std::unique_ptr<T> object;
    int handles = 0;
};
struct NamedRegistry {
    std::mutex mutex;
    std::map<std::string, Named<Semaphore>> semaphores;
    std::map<std::string, Named<Event>> events;
    std::map<void*, std::string> names;  // unnamed objects are keyed by address
};
NamedRegistry& named()
{
    static NamedRegistry r;
    return r;
}

template <class T, class Make>
T* openNamed(std::map<std::string, Named<T>>& table, const char* name, Make make)
{
    auto& reg = named();
    std::lock_guard<std::mutex> g(reg.mutex);
    std::string key = name ? name : "";
    if (key.empty()) {
        // An unnamed object is never shared: give it a key of its own.
        T* obj = make().release();
        key = "\x01" + std::to_string(reinterpret_cast<uintptr_t>(obj));
        table[key].object.reset(obj);
    } else if (!table[key].object) {
        table[key].object = make();
    }
    table[key].handles++;
    reg.names[table[key].object.get()] = key;
    return table[key].object.get();
}

template <class T>
void closeNamed(std::map<std::string, Named<T>>& table, T* obj)
{
    if (!obj) return;
    auto& reg = named();
    std::lock_guard<std::mutex> g(reg.mutex);
    auto n = reg.names.find(obj);
    if (n == reg.names.end()) return;
    auto it = table.find(n->second);
    if (it == table.end()) return;
    if (--it->second.handles == 0) {
        reg.names.erase(n);
        table.erase(it);
    }
}
}  // namespace

uint32_t registerQueue(std::shared_ptr<MessageQueue> queue)
{
    auto& r = queues();
    std::lock_guard<std::mutex> g(r.mutex);
    uint32_t id = r.next++;
    if (r.next == 0) r.next = 1;
    r.queues[id] = std::move(queue);
    return id;
}

void unregisterQueue(uint32_t id)
{
    auto& r = queues();
    std::lock_guard<std::mutex> g(r.mutex);
    r.queues.erase(id);
}

bool postThreadMessage(uint32_t id, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    std::shared_ptr<MessageQueue> q;
    {
        auto& r = queues();
        std::lock_guard<std::mutex> g(r.mutex);
        auto it = r.queues.find(id);
        if (it == r.queues.end()) return false;
        q = it->second;
    }
    q->post(Message{message, wParam, lParam});
    return true;
}

void Semaphore::wait()
{
    std::unique_lock<std::mutex> g(mutex_);
    cv_.wait(g, [&] { return count_ > 0; });
    --count_;
}

bool Semaphore::waitFor(int ms)
{
    std::unique_lock<std::mutex> g(mutex_);
    if (!cv_.wait_for(g, std::chrono::milliseconds(ms), [&] { return count_ > 0; })) return false;
    --count_;
    return true;
}

bool Semaphore::release()
{
    {
        std::lock_guard<std::mutex> g(mutex_);
        if (count_ >= max_) return false;
        ++count_;
    }
    cv_.notify_one();
    return true;
}

void Event::set()
{
    {
        std::lock_guard<std::mutex> g(mutex_);
        signalled_ = true;
    }
    cv_.notify_all();
}

void Event::reset()
{
    std::lock_guard<std::mutex> g(mutex_);
    signalled_ = false;
}

bool Event::waitFor(int ms)
{
    std::unique_lock<std::mutex> g(mutex_);
    if (!cv_.wait_for(g, std::chrono::milliseconds(ms), [&] { return signalled_; })) return false;
    if (!manual_) signalled_ = false;
    return true;
}

Semaphore* openSemaphore(const char* name, int initial, int maximum)
{
    return openNamed(named().semaphores, name,
                     [&] { return std::make_unique<Semaphore>(initial, maximum); });
}

void closeSemaphore(Semaphore* s) { closeNamed(named().semaphores, s); }

Event* openEvent(const char* name, bool manualReset, bool initial)
{
    return openNamed(named().events, name,
                     [&] { return std::make_unique<Event>(manualReset, initial); });
}

void closeEvent(Event* e) { closeNamed(named().events, e); }

void postWindowMessage(QmrWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    if (window && window->post) window->post(window, message, wParam, lParam);
}

Thread::~Thread()
{
    join();
}

bool Thread::start(std::function<void()> body)
{
    id_ = registerQueue(queue_);
    try {
        thread_ = std::thread([this, body = std::move(body)] {
            body();
            {
                std::lock_guard<std::mutex> g(mutex_);
                finished_ = true;
            }
            cv_.notify_all();
        });
    } catch (...) {
        unregisterQueue(id_);
        id_ = 0;
        return false;
    }
    return true;
}

bool Thread::waitFor(int ms)
{
    std::unique_lock<std::mutex> g(mutex_);
    return cv_.wait_for(g, std::chrono::milliseconds(ms), [&] { return finished_; });
}

void Thread::join()
{
    if (thread_.joinable()) thread_.join();
    if (id_) {
        unregisterQueue(id_);
        id_ = 0;
    }
}

uint64_t tickMs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace qmr::platform
