#include "platform/FreedMemory.h"

#include <malloc.h>

namespace ratelark {

void returnFreedMemory() { malloc_trim(0); }

}  // namespace ratelark
