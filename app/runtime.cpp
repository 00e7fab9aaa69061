// How Quietfall's standard library reports failures: by exceptions that
// nothing in the program catches (outside the window layer, which keeps every
// exception inside its window procedures). Two pieces of the library are
// replaced here because of what they would pull into the executable, not to
// change what a failure does.
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace __gnu_cxx {

// The library's default terminate handler would print the exception's
// demangled type to a console that a GUI program does not have, and it pulls
// the demangler and a printf into the executable (about 60 KiB).
void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

namespace {

// Thrown where the library throws std::length_error, std::out_of_range and
// the other errors that carry a text. Those classes keep their text in a
// second, reference-counted string implementation, and building one links
// that implementation, a narrow std::string and std::random_device into the
// program (about 80 KiB). Quietfall asks the string and container layer for
// nothing of the kind; should it ever, the failure still arrives as a
// std::exception with the library's text, caught or not by the same handlers.
class LibraryError : public std::exception {
public:
    explicit LibraryError(const char* text) noexcept : text_(text) {}
    const char* what() const noexcept override { return text_; }

private:
    const char* text_;  // the library's literal texts: static storage
};

}  // namespace

// The library's throw helpers (declared in <bits/functexcept.h>), all of
// them, so that its own definitions are never linked in beside these.
namespace std {

void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_logic_error(const char* text) { throw LibraryError(text); }
void __throw_domain_error(const char* text) { throw LibraryError(text); }
void __throw_invalid_argument(const char* text) { throw LibraryError(text); }
void __throw_length_error(const char* text) { throw LibraryError(text); }
void __throw_out_of_range(const char* text) { throw LibraryError(text); }
void __throw_out_of_range_fmt(const char* format, ...) { throw LibraryError(format); }
void __throw_runtime_error(const char* text) { throw LibraryError(text); }
void __throw_range_error(const char* text) { throw LibraryError(text); }
void __throw_overflow_error(const char* text) { throw LibraryError(text); }
void __throw_underflow_error(const char* text) { throw LibraryError(text); }

}  // namespace std
