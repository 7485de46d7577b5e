// Hashers that take SHA-256 off the caller's thread: update() copies the bytes into a buffer
// and a worker thread hashes them while the caller goes on copying the file. The bytes of a
// stream wait in a bounded queue, so memory stays bounded and the caller waits only when the
// worker falls a whole queue behind. Short streams (small files) are hashed on the caller's
// thread, where a hand-over would cost more than the hashing itself.
#pragma once

#include "platform/sha256.h"
#include "platform/threads.h"

#include <array>
#include <cstddef>
#include <memory>

namespace qly {

// How the bytes of a long stream go to the worker.
struct OverlappedHashSizes {
    // Large slots: a thread that waits is woken late on a busy system, and each wait should
    // cover milliseconds of hashing, not microseconds.
    std::size_t slot = std::size_t{4} << 20; // bytes handed over at a time
    std::size_t queued = 4;                  // slots waiting for the worker, at most
};

class OverlappedHashService : public HashService {
public:
    using Sizes = OverlappedHashSizes;

    // inner computes the digests, threads runs the worker; both must outlive this object, and
    // every hasher made must be destroyed before it. The worker starts with the first stream
    // longer than a slot; when no thread can be started, hashing stays on the caller's thread.
    OverlappedHashService(HashService& inner, ThreadService& threads, Sizes sizes = {});
    ~OverlappedHashService() override;
    OverlappedHashService(const OverlappedHashService&) = delete;
    OverlappedHashService& operator=(const OverlappedHashService&) = delete;

    // The hasher's update() may throw the worker's error from an earlier update; finish()
    // waits for the worker and throws any error it met. Destroying a hasher before finish()
    // drops its queued bytes and waits only for the slot being hashed.
    std::unique_ptr<Sha256> newSha256() override;

private:
    class Hasher;
    struct Stream;
    using Buffer = std::unique_ptr<char[]>; // one slot
    struct Job {
        Stream* stream = nullptr;
        Buffer bytes;
        std::size_t size = 0; // bytes of the slot filled
        bool last = false;    // take the digest after these bytes
    };

    // Queues job (taking its bytes), waiting while the queue is full. Returns false, with
    // job untouched, when there is no worker, so that the caller hashes the bytes itself.
    // Throws the error the worker met on an earlier job of the same stream.
    bool submit(Job& job);
    // Throws the error the worker met on a job of stream, if any.
    static void throwIfFailed(const Stream& stream);
    // Waits until the worker is done with every job of stream; with drop, the jobs not yet
    // begun are skipped.
    void drain(Stream& stream, bool drop) noexcept;
    // A buffer of a slot's size.
    Buffer spareBuffer();
    // Keeps a used buffer for a later slot, two at most: with the queued slots, the one being
    // hashed and the one being filled, memory stays at queued + 4 slots at most. Called with
    // the lock held.
    void recycle(Buffer& bytes) noexcept;
    void work() noexcept;

    HashService& inner_;
    ThreadService& threads_;
    Sizes sizes_;
    std::unique_ptr<Monitor> monitor_;
    // Guarded by monitor_.
    std::unique_ptr<Job[]> ring_; // the queue: queued_ jobs from head_ on, wrapping around
    std::size_t head_ = 0;
    std::size_t queued_ = 0;
    std::array<Buffer, 2> spares_;
    std::size_t spareCount_ = 0;
    std::size_t callersWaiting_ = 0; // in submit(), for room in the queue
    bool workerWaiting_ = false;     // for a job
    bool stopping_ = false;
    bool noThread_ = false;
    std::unique_ptr<Thread> worker_; // last: stopped and joined before the rest goes
};

} // namespace qly
