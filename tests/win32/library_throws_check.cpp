// The Windows program's stand-ins for the C++ library's throw points (src/app/library_throws.cpp):
// a fault inside a container or string still arrives as a std::exception with the library's
// own message, and the allocation faults keep their standard types. A program of its own, not
// part of the GoogleTest one: GoogleTest's streams need the library's own throw points, and the
// two cannot be linked together. Run by run.sh; exits non-zero when a check fails.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

// n, read at run time, so that the compiler cannot see the faults coming.
std::size_t atRunTime(std::size_t n) {
    volatile std::size_t value = n;
    return value;
}

class Checks {
public:
    // Checks that action throws a std::exception whose message is expected.
    template <typename Action> void message(const char* name, Action action, std::string expected) {
        std::string got = "(nothing thrown)";
        try {
            action();
        } catch (const std::exception& e) {
            got = e.what();
        }
        record(name, got == expected, got);
    }

    // Checks that action throws an Exception itself, not a type derived from it.
    template <typename Exception, typename Action> void type(const char* name, Action action) {
        std::string got = "(nothing thrown)";
        try {
            action();
        } catch (const std::exception& e) {
            got = typeid(e) == typeid(Exception) ? "" : std::string("another type: ") + e.what();
        }
        record(name, got.empty(), got);
    }

    // Prints the count; the program's exit code.
    int finish() const {
        std::printf("library throws: %d passed, %d failed\n", passed_, failed_);
        return failed_ == 0 ? 0 : 1;
    }

private:
    void record(const char* name, bool ok, const std::string& got) {
        if (ok) {
            ++passed_;
        } else {
            ++failed_;
            std::printf("library throws: FAIL %s: %s\n", name, got.c_str());
        }
    }

    int passed_ = 0;
    int failed_ = 0;
};

} // namespace

int main() {
    Checks check;
    const std::string text = "abc";
    const std::size_t past = atRunTime(5);

    // Positions past the end: the library's message with its numbers filled in.
    check.message(
        "substr", [&] { (void)text.substr(past); },
        "basic_string::substr: __pos (which is 5) > this->size() (which is 3)");
    check.message(
        "string at", [&] { (void)text.at(past); },
        "basic_string::at: __n (which is 5) >= this->size() (which is 3)");
    check.message(
        "replace", [&] { std::string(text).replace(past, 1, "x"); },
        "basic_string::replace: __pos (which is 5) > this->size() (which is 3)");
    check.message(
        "vector at", [&] { (void)std::vector<int>(3).at(past); },
        "vector::_M_range_check: __n (which is 5) >= this->size() (which is 3)");

    // Growth past the largest size: the library's plain message.
    check.message(
        "vector reserve", [&] { std::vector<char>().reserve(SIZE_MAX - past); }, "vector::reserve");
    check.message(
        "string reserve", [&] { std::string().reserve(SIZE_MAX - past); },
        "basic_string::_M_create");

    // A lock released that was never taken: the error code (EPERM) in the message.
    struct Lockable {
        void lock() {}
        void unlock() {}
    } lockable;
    check.message(
        "unlock without a lock",
        [&] { std::unique_lock<Lockable>(lockable, std::defer_lock).unlock(); }, "system error 1");

    // More elements than bytes can count, then more than the allocator can ever give.
    std::allocator<int32_t> allocator;
    check.type<std::bad_array_new_length>(
        "allocate beyond bytes", [&] { (void)allocator.allocate(atRunTime(SIZE_MAX / 2)); });
    check.type<std::bad_alloc>("allocate beyond the address space",
                               [&] { (void)allocator.allocate(atRunTime(SIZE_MAX / 4 - 1)); });
    return check.finish();
}
