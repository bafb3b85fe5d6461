// Compiled against one layer of the setup program, as its sources are: a
// header of the layer itself must be found, and one of a layer above it must
// not be (cmake/layers.cmake).
#include OWN_HEADER
#include UPPER_HEADER
