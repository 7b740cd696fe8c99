// app/LibraryErrors.cpp: the launcher's own versions of the functions through which libstdc++ reports a misused
// string or container.
//
// libstdc++'s versions throw std::logic_error and its kin, whose reference-counted message string brought a
// second string implementation along, and with it std::random_device: about 60 KiB that every start read from
// the medium. These throw a plain std::exception with the library's text, which the guard shows in the error
// box like any other error. The Windows tests keep libstdc++'s versions.
#include <exception>
#include <new>
#include <string>  // declares the functions defined here

namespace {

class LibraryError : public std::exception {
public:
    explicit LibraryError(const char* text) : text_(text) {}
    const char* what() const noexcept override { return text_; }

private:
    const char* text_;  // a string literal of the library's
};

}  // namespace

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char* text) { throw LibraryError(text); }
void __throw_logic_error(const char* text) { throw LibraryError(text); }
// The format's arguments are left out: formatting them would bring a printf implementation along.
void __throw_out_of_range_fmt(const char* format, ...) { throw LibraryError(format); }

}  // namespace std
