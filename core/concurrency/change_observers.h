// How view models and controllers publish: after each change of their published state they
// call notify(), and every screen that observes them re-renders. A Subscription unregisters
// when it goes away, so a screen that closes never hears from its model again.
//
//   ChangeObservers m_changed;                                  // in the model
//   m_subscription = model.observers().add([this] { render(); });  // in the screen
//
// THREAD-SAFETY: none; confined to the executor the model lives on. A callback may add or
// remove subscriptions (its own included) while notify() runs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace lopewell {

class ChangeObservers {
    struct Entry {
        uint64_t id;
        std::shared_ptr<std::function<void()>> callback;
    };
    struct List {
        std::vector<Entry> entries;
        uint64_t nextId = 1;
    };

public:
    class Subscription {
    public:
        Subscription() = default;
        Subscription(Subscription&& other) noexcept : m_list(std::move(other.m_list)), m_id(std::exchange(other.m_id, 0)) {}
        Subscription& operator=(Subscription&& other) noexcept
        {
            if (this != &other) {
                reset();
                m_list = std::move(other.m_list);
                m_id = std::exchange(other.m_id, 0);
            }
            return *this;
        }
        ~Subscription() { reset(); }

        // False once reset, or once the model it observed is gone.
        bool isActive() const { return m_id != 0 && !m_list.expired(); }

        void reset()
        {
            if (auto list = m_list.lock()) {
                std::erase_if(list->entries, [this](const Entry& entry) { return entry.id == m_id; });
            }
            m_list.reset();
            m_id = 0;
        }

    private:
        friend class ChangeObservers;
        Subscription(std::weak_ptr<List> list, uint64_t id) : m_list(std::move(list)), m_id(id) {}

        std::weak_ptr<List> m_list;
        uint64_t m_id = 0;
    };

    [[nodiscard]] Subscription add(std::function<void()> callback)
    {
        const uint64_t id = m_list->nextId++;
        m_list->entries.push_back({ id, std::make_shared<std::function<void()>>(std::move(callback)) });
        return Subscription(m_list, id);
    }

    void notify() const
    {
        // A snapshot: callbacks added meanwhile wait for the next change, removed ones are skipped.
        const std::vector<Entry> snapshot = m_list->entries;
        for (const Entry& entry : snapshot) {
            if (isSubscribed(entry.id))
                (*entry.callback)();
        }
    }

    size_t count() const { return m_list->entries.size(); }

private:
    bool isSubscribed(uint64_t id) const
    {
        for (const Entry& entry : m_list->entries) {
            if (entry.id == id)
                return true;
        }
        return false;
    }

    std::shared_ptr<List> m_list = std::make_shared<List>();
};

}  // namespace lopewell
