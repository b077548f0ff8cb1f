// Benchmarks run from the benchmark library's own main: the layers' services
// are registered before it starts, as the program and the tests do.
#include "app/LayerServices.h"

namespace {

const bool Registered = (RegisterLayerServices(), true);

}  // namespace
