#pragma once

#include <atomic>
#include <utility>

// A queue that any number of threads append to and one thread takes from, without a lock:
// a producer that is preempted part-way never holds up the consumer behind a lock it owns.
// Items from one producer come out in the order it pushed them. While a producer is between
// its two steps of a push, the consumer may find the queue empty although items follow;
// the producer's own wake-up after Push (whatever the owner uses) covers that window.
template <typename T>
class TMpscQueue {
public:
    TMpscQueue() = default;
    TMpscQueue(const TMpscQueue&) = delete;
    TMpscQueue& operator=(const TMpscQueue&) = delete;
    ~TMpscQueue() {
        T item;
        while (TryPop(item)) {
        }
    }

    // Any thread.
    void Push(T value) { Link(new Node(std::move(value))); }

    // The consumer's thread only. False when nothing can be taken now.
    bool TryPop(T& out) {
        Node* tail = m_tail;
        Node* next = tail->Next.load(std::memory_order_acquire);
        if (tail == &m_stub) {
            if (next == nullptr)
                return false;
            m_tail = next;
            tail = next;
            next = next->Next.load(std::memory_order_acquire);
        }
        if (next == nullptr) {
            // The tail may be the last node: put the stub behind it, so that it can be taken
            // without leaving the queue without a node. A push under way is finished first.
            if (tail != m_head.load(std::memory_order_acquire))
                return false;
            m_stub.Next.store(nullptr, std::memory_order_relaxed);
            Link(&m_stub);
            next = tail->Next.load(std::memory_order_acquire);
            if (next == nullptr)
                return false;
        }
        m_tail = next;
        out = std::move(tail->Value);
        delete tail;
        return true;
    }

private:
    struct Node {
        Node() = default;
        explicit Node(T value) : Value(std::move(value)) {}
        std::atomic<Node*> Next{nullptr};
        T Value{};
    };

    void Link(Node* node) {
        Node* const previous = m_head.exchange(node, std::memory_order_acq_rel);
        previous->Next.store(node, std::memory_order_release);
    }

    Node m_stub;
    std::atomic<Node*> m_head{&m_stub}; // the newest node; producers swap themselves in here
    Node* m_tail = &m_stub;             // the oldest node; the consumer's alone
};
