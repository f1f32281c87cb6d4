// Vellicord2.scr's own ends for the C++ runtime's failure paths, to keep the static runtime small.
//
// Nothing in the program catches an exception, so every throw from the standard library (out of
// memory, a string too long) ends the process through std::terminate anyway. Defining the
// library's throw helpers and its terminate handler here, as that same end, keeps the linker
// from pulling in the exception classes, their copy-on-write strings and the name demangler of
// the verbose handler: about a quarter of the .scr.
#include <cstdlib>

namespace std {

[[noreturn]] void __throw_bad_alloc() {
  std::abort();
}
[[noreturn]] void __throw_bad_array_new_length() {
  std::abort();
}
[[noreturn]] void __throw_bad_function_call() {
  std::abort();
}
[[noreturn]] void __throw_length_error(const char*) {
  std::abort();
}
[[noreturn]] void __throw_logic_error(const char*) {
  std::abort();
}
[[noreturn]] void __throw_out_of_range(const char*) {
  std::abort();
}
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) {
  std::abort();
}
[[noreturn]] void __throw_invalid_argument(const char*) {
  std::abort();
}

}  // namespace std

namespace __gnu_cxx {

[[noreturn]] void __verbose_terminate_handler() {
  std::abort();
}

}  // namespace __gnu_cxx
