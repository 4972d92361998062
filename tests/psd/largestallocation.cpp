#include "largestallocation_impl.h"
