// app/LibraryString.cpp: the launcher's own instance of the one std::string member that libstdc++ 13 and later
// keep prebuilt under C++20.
//
// Under C++20 a program instantiates the std::string members it uses, all but one: the headers point the
// overlapping-text case of assign, insert and replace (_M_replace_cold) at the library's prebuilt copy. That
// copy comes in the object file of the whole prebuilt std::string, whose one unwind-table section keeps every
// member of it: 30 KiB more for each start to read from the medium. Instantiated here, the reference finds this
// copy and the library's file stays out. Older libraries have no such member and build the case inline.
#include <string>

#if _GLIBCXX_RELEASE >= 13 && _GLIBCXX_USE_CXX11_ABI
template void std::string::_M_replace_cold(char*, std::string::size_type, const char*, std::string::size_type,
                                           std::string::size_type);
#endif
