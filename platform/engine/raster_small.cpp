// Quads a few pixels across, the bulk of what a picture is painted with, in single precision:
// under about a pixel a splat of the mean colour, otherwise anti-aliased coverage on a small
// pixel grid whose total is scaled to the quad's exact area (so its brightness does not flicker
// with its sub-pixel position and turn), then bilinear samples blended two pixels at a time,
// or four where the processor has AVX2.
#include <cmath>
#include <cstddef>

#include <immintrin.h>

#include "platform/engine/raster_pixels.h"

// The kernels are compiled twice: for the baseline instruction set and, for processors that
// have it, for AVX2, whose three-operand encoding spares most register copies and whose
// 256-bit registers take four pixels (or eight coverage columns) at once. Both do the same
// arithmetic in the same order, lane for lane (no fused multiply-add), so the pixels do not
// depend on the processor.
#pragma GCC push_options
#pragma GCC target("avx2")
namespace raster::avx2 {
#define RASTER_WIDE_KERNELS 1
#include "platform/engine/raster_small_kernels.h"
#undef RASTER_WIDE_KERNELS
}  // namespace raster::avx2
#pragma GCC pop_options

namespace raster::baseline {
#include "platform/engine/raster_small_kernels.h"
}  // namespace raster::baseline

namespace raster {
namespace {

bool avx2Kernels = __builtin_cpu_supports("avx2");

}  // namespace

bool quadFront(DrawState& draw, const Quad& quad, QuadFront& front) {
    return avx2Kernels ? avx2::quadFront(draw, quad, front) : baseline::quadFront(draw, quad, front);
}

}  // namespace raster

void rasterUseBaselineKernels(bool baseline) { raster::avx2Kernels = !baseline && __builtin_cpu_supports("avx2"); }
