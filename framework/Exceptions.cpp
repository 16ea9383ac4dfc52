#include "framework/Exceptions.h"

#include "framework/Strings.h"

namespace tovane {

void ThrowListIndexError(long long index) {
    throw EListError(Format("List index out of bounds (%lld)", index));
}

} // namespace tovane
