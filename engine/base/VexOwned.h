// Sole ownership of an object whose class lives in a higher layer (compiled expressions, record
// bitmaps): the deleter is fixed when the object is handed over, so the holder never needs the
// complete class.
#pragma once

#include <memory>
#include <utility>

template <class T>
struct TVexOwnedDelete {
  void (*Delete)(T*) = nullptr;
  void operator()(T* p) const {
    if (Delete) Delete(p);
  }
};

template <class T>
using TVexOwned = std::unique_ptr<T, TVexOwnedDelete<T>>;

// Takes over an object of class U (complete here) as a T.
template <class T, class U>
TVexOwned<T> MakeOwned(std::unique_ptr<U> object) {
  return TVexOwned<T>(object.release(),
                      TVexOwnedDelete<T>{[](T* p) { delete static_cast<U*>(p); }});
}
