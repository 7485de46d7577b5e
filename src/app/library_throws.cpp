// The C++ library's own throw points for the Windows program (a container grown past its
// limit, a string position out of range, a null pointer made into a string, no memory).
// The library's versions throw std::length_error and its kin, which keep their message in the
// old reference-counted string: linking them brings that whole string class and its unwind
// tables, about 80 KiB, into the exe, and the Windows linker cannot drop the unused parts.
// These definitions take their place at link time. They throw the same messages as a
// std::exception of their own; the program only ever catches std::exception by those names.
// Every function of the library's file that the program reaches must be defined here, or the
// link fails on duplicate symbols, which shows at once what is missing.
#include <cstdarg>
#include <cstddef>
#include <exception>
#include <new>
#include <string>

namespace {

// A fault the library reports, with the library's message.
class LibraryError : public std::exception {
public:
    explicit LibraryError(std::string what) : what_(std::move(what)) {}
    const char* what() const noexcept override { return what_.c_str(); }

private:
    std::string what_;
};

// format with the library's directives expanded: %s, %zu and %%; anything else stays as is.
std::string expand(const char* format, va_list args) {
    std::string text;
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            text += va_arg(args, const char*);
            p += 1;
        } else if (p[0] == '%' && p[1] == 'z' && p[2] == 'u') {
            text += std::to_string(va_arg(args, std::size_t));
            p += 2;
        } else if (p[0] == '%' && p[1] == '%') {
            text += '%';
            p += 1;
        } else {
            text += *p;
        }
    }
    return text;
}

} // namespace

namespace std {

void __throw_bad_alloc() {
    throw bad_alloc();
}

void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}

void __throw_logic_error(const char* what) {
    throw LibraryError(what);
}

void __throw_length_error(const char* what) {
    throw LibraryError(what);
}

// A lock that cannot be taken (std::unique_lock's checks); the library's std::system_error
// would bring its error categories and their strings along.
void __throw_system_error(int code) {
    throw LibraryError("system error " + std::to_string(code));
}

void __throw_out_of_range_fmt(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text;
    try {
        text = expand(format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
    throw LibraryError(std::move(text));
}

} // namespace std
