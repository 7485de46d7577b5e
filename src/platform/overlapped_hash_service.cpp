#include "platform/overlapped_hash_service.h"

#include "common/error.h"

#include <algorithm>
#include <mutex>

namespace qly {

namespace {
constexpr std::size_t kSpares = 2; // used buffers kept for later slots
} // namespace

struct OverlappedHashService::Stream {
    std::unique_ptr<Sha256> inner;
    // Guarded by the service's monitor.
    std::size_t pending = 0; // jobs queued or being hashed
    bool dropped = false;    // the hasher is going away: its jobs need not be hashed
    std::exception_ptr error;
    Sha256Digest digest{};
};

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
            throw Error("SHA-256: bytes added after the digest was taken");
        }
        const std::size_t slot = service_.sizes_.slot;
        // Until a stream outgrows one slot it is hashed here, without a copy or a hand-over.
        if (!handedOver_ && fill_.empty() && hashedHere_ + data.size() <= slot) {
            stream_->inner->update(data);
            hashedHere_ += data.size();
            return;
        }
        while (!data.empty()) {
            if (fill_.capacity() == 0) {
                fill_ = service_.spareBuffer();
            }
            const std::size_t n = std::min(data.size(), slot - fill_.size());
            fill_.insert(fill_.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
            data = data.subspan(n);
            if (fill_.size() == slot) {
                handOver(false);
            }
        }
    }

    Sha256Digest finish() override {
        if (finished_) {
            throw Error("SHA-256: the digest was already taken");
        }
        finished_ = true;
        if (!handedOver_) {
            // A short tail is hashed sooner here than the worker could be woken for it.
            stream_->inner->update(fill_);
            return stream_->inner->finish();
        }
        // A worker that took bytes once takes every later job, so the digest is its to take.
        handOver(true);
        service_.drain(*stream_, false);
        // The worker is done with the stream: what it left there is ours to read.
        if (stream_->error) {
            std::rethrow_exception(stream_->error);
        }
        return stream_->digest;
    }

private:
    // Gives the filled bytes to the worker, with the order to take the digest after them when
    // last. Bytes that no worker can take are hashed here.
    void handOver(bool last) {
        Job job{stream_.get(), std::move(fill_), last};
        fill_ = {};
        if (service_.submit(job)) {
            handedOver_ = true;
            return;
        }
        stream_->inner->update(job.bytes);
        fill_ = std::move(job.bytes);
        fill_.clear();
    }

    OverlappedHashService& service_;
    std::unique_ptr<Stream> stream_;
    std::vector<char> fill_; // bytes not yet handed over
    std::size_t hashedHere_ = 0;
    bool handedOver_ = false; // the worker has had bytes of this stream
    bool finished_ = false;
};

OverlappedHashService::OverlappedHashService(HashService& inner, ThreadService& threads)
    : OverlappedHashService(inner, threads, Sizes{}) {}

OverlappedHashService::OverlappedHashService(HashService& inner, ThreadService& threads,
                                             Sizes sizes)
    : inner_(inner), threads_(threads), sizes_(sizes), monitor_(threads.newMonitor()) {
    sizes_.slot = std::max<std::size_t>(sizes_.slot, 1);
    sizes_.queued = std::max<std::size_t>(sizes_.queued, 1);
    // Room for every buffer kept, so that giving one back never allocates.
    spares_.reserve(kSpares);
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
    if (queue_.size() >= sizes_.queued) {
        // Once full, the queue is let run down to half before this thread goes on: each wait
        // then spans several slots, and the time a busy system takes to wake a thread is paid
        // once for them, not for every slot.
        ++callersWaiting_;
        while (queue_.size() > sizes_.queued / 2 && !stream.error) {
            monitor_->wait();
        }
        --callersWaiting_;
    }
    if (stream.error) {
        std::rethrow_exception(stream.error);
    }
    queue_.push_back(std::move(job));
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

std::vector<char> OverlappedHashService::spareBuffer() {
    std::vector<char> bytes;
    {
        std::lock_guard lock(*monitor_);
        if (!spares_.empty()) {
            bytes = std::move(spares_.back());
            spares_.pop_back();
        }
    }
    bytes.clear();
    bytes.reserve(sizes_.slot);
    return bytes;
}

void OverlappedHashService::recycle(std::vector<char>& bytes) noexcept {
    if (spares_.size() < kSpares && bytes.capacity() >= sizes_.slot) {
        spares_.push_back(std::move(bytes));
    }
}

void OverlappedHashService::work() noexcept {
    std::unique_lock lock(*monitor_);
    for (;;) {
        while (queue_.empty() && !stopping_) {
            workerWaiting_ = true;
            monitor_->wait();
            workerWaiting_ = false;
        }
        if (queue_.empty()) {
            return;
        }
        Job job = std::move(queue_.front());
        queue_.pop_front();
        Stream& stream = *job.stream;
        const bool skip = stream.dropped || stream.error;
        if (callersWaiting_ > 0 && queue_.size() <= sizes_.queued / 2) {
            monitor_->notifyAll();
        }
        lock.unlock();
        std::exception_ptr error;
        Sha256Digest digest{};
        if (!skip) {
            try {
                stream.inner->update(job.bytes);
                if (job.last) {
                    digest = stream.inner->finish();
                }
            } catch (...) {
                error = std::current_exception();
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
