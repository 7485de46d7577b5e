#include "platform/overlapped_hash_service.h"

#include "common/error.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <utility>

namespace qly {

struct OverlappedHashService::Stream {
    std::unique_ptr<Sha256> inner;
    // Guarded by the service's monitor.
    std::size_t pending = 0; // jobs queued or being hashed
    bool dropped = false;    // the hasher is going away: its jobs need not be hashed
    std::optional<Error> error;
    Sha256Digest digest{};
};

namespace {

[[noreturn]] void finishedAlready() {
    throw Error("SHA-256: the digest was already taken");
}

} // namespace

void OverlappedHashService::throwIfFailed(const Stream& stream) {
    if (stream.error) {
        throw Error(*stream.error);
    }
}

class OverlappedHashService::Hasher : public Sha256 {
public:
    Hasher(OverlappedHashService& service, std::unique_ptr<Sha256> inner)
        : service_(service), stream_(std::make_unique<Stream>()) {
        stream_->inner = std::move(inner);
    }
    ~Hasher() override {
        if (handedOver_) {
            service_.drain(*stream_, true);
        }
    }
    Hasher(const Hasher&) = delete;
    Hasher& operator=(const Hasher&) = delete;

    void update(std::span<const char> data) override {
        if (finished_) {
            finishedAlready();
        }
        const std::size_t slot = service_.sizes_.slot;
        // Until a stream outgrows one slot it is hashed here, without a copy or a hand-over.
        if (!handedOver_ && filled_ == 0 && hashedHere_ + data.size() <= slot) {
            stream_->inner->update(data);
            hashedHere_ += data.size();
            return;
        }
        while (!data.empty()) {
            if (!fill_) {
                fill_ = service_.spareBuffer();
            }
            const std::size_t n = std::min(data.size(), slot - filled_);
            std::copy_n(data.data(), n, fill_.get() + filled_);
            filled_ += n;
            data = data.subspan(n);
            if (filled_ == slot) {
                handOver(false);
            }
        }
    }

    Sha256Digest finish() override {
        if (finished_) {
            finishedAlready();
        }
        finished_ = true;
        if (!handedOver_) {
            // A short tail is hashed sooner here than the worker could be woken for it.
            stream_->inner->update(std::span<const char>(fill_.get(), filled_));
            return stream_->inner->finish();
        }
        // A worker that took bytes once takes every later job, so the digest is its to take.
        handOver(true);
        service_.drain(*stream_, false);
        // The worker is done with the stream: what it left there is ours to read.
        throwIfFailed(*stream_);
        return stream_->digest;
    }

private:
    // Gives the filled bytes to the worker, with the order to take the digest after them when
    // last. Bytes that no worker can take are hashed here.
    void handOver(bool last) {
        Job job{stream_.get(), std::move(fill_), std::exchange(filled_, 0), last};
        if (service_.submit(job)) {
            handedOver_ = true;
            return;
        }
        stream_->inner->update(std::span<const char>(job.bytes.get(), job.size));
        fill_ = std::move(job.bytes);
    }

    OverlappedHashService& service_;
    std::unique_ptr<Stream> stream_;
    Buffer fill_; // a slot, its first filled_ bytes not yet handed over
    std::size_t filled_ = 0;
    std::size_t hashedHere_ = 0;
    bool handedOver_ = false; // the worker has had bytes of this stream
    bool finished_ = false;
};

OverlappedHashService::OverlappedHashService(HashService& inner, ThreadService& threads,
                                             Sizes sizes)
    : inner_(inner), threads_(threads), sizes_(sizes), monitor_(threads.newMonitor()) {
    sizes_.slot = std::max<std::size_t>(sizes_.slot, 1);
    sizes_.queued = std::max<std::size_t>(sizes_.queued, 1);
    ring_ = std::make_unique<Job[]>(sizes_.queued);
}

OverlappedHashService::~OverlappedHashService() {
    {
        std::lock_guard lock(*monitor_);
        stopping_ = true;
        monitor_->notifyAll();
    }
    worker_.reset();
}

std::unique_ptr<Sha256> OverlappedHashService::newSha256() {
    return std::make_unique<Hasher>(*this, inner_.newSha256());
}

bool OverlappedHashService::submit(Job& job) {
    std::unique_lock lock(*monitor_);
    if (!worker_ && !noThread_) {
        try {
            worker_ = threads_.start([this] { work(); });
        } catch (const std::exception&) {
            // Hashing on the caller's thread is slower, never wrong.
            noThread_ = true;
        }
    }
    if (noThread_) {
        return false;
    }
    Stream& stream = *job.stream;
    if (queued_ == sizes_.queued) {
        // Once full, the queue is let run down to half before this thread goes on: each wait
        // then spans several slots, and the time a busy system takes to wake a thread is paid
        // once for them, not for every slot.
        ++callersWaiting_;
        while (queued_ > sizes_.queued / 2 && !stream.error) {
            monitor_->wait();
        }
        --callersWaiting_;
    }
    throwIfFailed(stream);
    ring_[(head_ + queued_) % sizes_.queued] = std::move(job);
    ++queued_;
    ++stream.pending;
    if (workerWaiting_) {
        monitor_->notifyAll();
    }
    return true;
}

void OverlappedHashService::drain(Stream& stream, bool drop) noexcept {
    std::unique_lock lock(*monitor_);
    stream.dropped = stream.dropped || drop;
    while (stream.pending > 0) {
        monitor_->wait();
    }
}

OverlappedHashService::Buffer OverlappedHashService::spareBuffer() {
    {
        std::lock_guard lock(*monitor_);
        if (spareCount_ > 0) {
            return std::move(spares_[--spareCount_]);
        }
    }
    return std::make_unique_for_overwrite<char[]>(sizes_.slot);
}

void OverlappedHashService::recycle(Buffer& bytes) noexcept {
    if (spareCount_ < spares_.size() && bytes) {
        spares_[spareCount_++] = std::move(bytes);
    }
}

void OverlappedHashService::work() noexcept {
    std::unique_lock lock(*monitor_);
    for (;;) {
        while (queued_ == 0 && !stopping_) {
            workerWaiting_ = true;
            monitor_->wait();
            workerWaiting_ = false;
        }
        if (queued_ == 0) {
            return;
        }
        Job job = std::move(ring_[head_]);
        head_ = (head_ + 1) % sizes_.queued;
        --queued_;
        Stream& stream = *job.stream;
        const bool skip = stream.dropped || stream.error;
        if (callersWaiting_ > 0 && queued_ <= sizes_.queued / 2) {
            monitor_->notifyAll();
        }
        lock.unlock();
        std::optional<Error> error;
        Sha256Digest digest{};
        if (!skip) {
            try {
                stream.inner->update(std::span<const char>(job.bytes.get(), job.size));
                if (job.last) {
                    digest = stream.inner->finish();
                }
            } catch (const Error& e) {
                error = e;
            } catch (const std::exception& e) {
                error = Error(e.what());
            }
        }
        lock.lock();
        if (error) {
            stream.error = error;
        } else if (job.last && !skip) {
            stream.digest = digest;
        }
        --stream.pending;
        recycle(job.bytes);
        // Wakes a finish or a destruction waiting for the stream, and a caller waiting for
        // room that must now learn of the error.
        if (stream.pending == 0 || error) {
            monitor_->notifyAll();
        }
    }
}

} // namespace qly
