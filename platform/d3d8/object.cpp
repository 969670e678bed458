#include "d3d8/object.h"

namespace d3d8 {

ULONG RefObject::PublicRelease() {
    ULONG current = public_.load();
    while (current != 0 && !public_.compare_exchange_weak(current, current - 1)) {
    }
    if (current == 0) return 0;  // an extra Release: nothing left to drop
    if (current == 1) {
        OnPublicZero();
        return 0;
    }
    return current - 1;
}

void RefObject::BindRelease() {
    if (--bound_ == 0 && public_.load() == 0) delete this;
}

}  // namespace d3d8
