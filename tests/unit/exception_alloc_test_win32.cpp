// The library's own exception allocator: the header it puts before a thrown object
// must be the runtime's, or every throw would corrupt the heap.
#include <gtest/gtest.h>

#include <cxxabi.h>

#include <exception>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

namespace qlv {
size_t ExceptionHeaderBytes();
}

namespace {

TEST(ExceptionAlloc, HeaderIsTheRuntimesAndThrowsRethrowsAndNestsWork) {
  // The runtime finds the header just before the object it initialises; it must be
  // the block this allocator made, zeroed.
  void* object = __cxa_allocate_exception(sizeof(int));
  auto* header = reinterpret_cast<unsigned char*>(__cxxabiv1::__cxa_init_primary_exception(
      object, const_cast<std::type_info*>(&typeid(int)), nullptr));
  EXPECT_EQ(static_cast<size_t>(static_cast<unsigned char*>(object) - header), qlv::ExceptionHeaderBytes());
  __cxa_free_exception(object);

  std::vector<std::exception_ptr> kept;
  for (int i = 0; i < 200; ++i) {
    try {
      throw std::runtime_error("round " + std::to_string(i) + std::string(static_cast<size_t>(i), 'x'));
    } catch (...) {
      kept.push_back(std::current_exception());
    }
  }
  for (int i = 0; i < 200; ++i) {
    try {
      std::rethrow_exception(kept[static_cast<size_t>(i)]);
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, 6 + std::to_string(i).size()), "round " + std::to_string(i));
    }
  }
  try {
    try {
      throw 7;
    } catch (...) {
      std::throw_with_nested(std::logic_error("outer"));
    }
  } catch (const std::logic_error& outer) {
    EXPECT_STREQ(outer.what(), "outer");
    try {
      std::rethrow_if_nested(outer);
    } catch (int inner) {
      EXPECT_EQ(inner, 7);
    }
  }
}

}  // namespace
