#include "image/resample.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "image/parallel.h"

namespace drollo {

namespace {

// The source pixels under each target pixel along one axis. Distances are counted in units of
// 1 / (target length) source pixels, so every boundary is an integer: target pixel t covers
// [t * s, (t + 1) * s) and source pixel i covers [i * n, (i + 1) * n), for source length s and
// target length n. The weights of one target pixel add up to s.
struct Span {
  int first = 0;  // index into the weights
  int count = 0;
  int source = 0;  // first source pixel
};

struct AxisWeights {
  std::vector<Span> spans;
  std::vector<std::uint64_t> weights;
};

AxisWeights Weights(int s, int n) {
  AxisWeights a;
  a.spans.resize(n);
  for (int t = 0; t < n; ++t) {
    const std::int64_t lo = std::int64_t{t} * s;
    const std::int64_t hi = lo + s;
    const int i0 = static_cast<int>(lo / n);
    const int i1 = static_cast<int>((hi - 1) / n);  // last source pixel touched
    Span& sp = a.spans[t];
    sp.first = static_cast<int>(a.weights.size());
    sp.source = i0;
    for (int i = i0; i <= i1; ++i) {
      const std::int64_t plo = std::int64_t{i} * n;
      const std::int64_t w = std::min(hi, plo + n) - std::max(lo, plo);
      a.weights.push_back(static_cast<std::uint64_t>(w));
    }
    sp.count = static_cast<int>(a.weights.size()) - sp.first;
  }
  return a;
}

}  // namespace

Picture AreaResample(const Picture& source, int width, int height) {
  if (width <= 0 || height <= 0 || source.empty())
    return Picture(std::max(width, 0), std::max(height, 0), 24);
  // Every byte is written below.
  Picture out(width, height, PixelFormat::Bgr24(), Picture::Unfilled{});
  const Picture src = source.bitsPerPixel() == 24 ? Picture() : ToBgr24(source);
  const Picture& s = source.bitsPerPixel() == 24 ? source : src;

  const AxisWeights xs = Weights(s.width(), width);
  const AxisWeights ys = Weights(s.height(), height);
  const std::uint64_t total = std::uint64_t(s.width()) * std::uint64_t(s.height());

  // The weighted sums of one target row; each target pixel's weights add up to `total`. A source
  // row's horizontal sums serve every target row it falls into (the last one of a target row is
  // usually the first of the next), so they are kept until another row is needed.
  const MutableView dst = out.region(out.rect());
  const std::size_t values = static_cast<std::size_t>(width) * 3;
  const double divisor = static_cast<double>(total);
  ForRows(
      0, height,
      [&](int y0, int y1) {
        std::vector<std::uint64_t> sum(values), across(values);
        int acrossRow = -1;
        for (int ty = y0; ty < y1; ++ty) {
          std::fill(sum.begin(), sum.end(), 0);
          const Span& sy = ys.spans[ty];
          for (int k = 0; k < sy.count; ++k) {
            if (sy.source + k != acrossRow) {
              acrossRow = sy.source + k;
              const std::uint8_t* row = s.row(acrossRow);
              for (int tx = 0; tx < width; ++tx) {
                const Span& sx = xs.spans[tx];
                std::uint64_t b = 0, g = 0, r = 0;
                const std::uint8_t* p = row + 3 * sx.source;
                for (int j = 0; j < sx.count; ++j, p += 3) {
                  const std::uint64_t wx = xs.weights[sx.first + j];
                  b += wx * p[0];
                  g += wx * p[1];
                  r += wx * p[2];
                }
                std::uint64_t* h = &across[3 * static_cast<std::size_t>(tx)];
                h[0] = b;
                h[1] = g;
                h[2] = r;
              }
            }
            const std::uint64_t wy = ys.weights[sy.first + k];
            for (std::size_t i = 0; i < values; ++i) sum[i] += wy * across[i];
          }
          // (sum + total / 2) / total in whole numbers. Both fit a double exactly (sum is below
          // 2^37) and the quotient is below 256, so the double quotient cannot round up to the
          // next whole number: its error is below 2^-44, the distance to it at least 1 / total.
          std::uint8_t* d = dst.row(ty);
          for (std::size_t i = 0; i < values; ++i)
            d[i] = static_cast<std::uint8_t>(
                static_cast<std::uint64_t>(static_cast<double>(sum[i] + total / 2) / divisor));
        }
      },
      {}, 4);
  return out;
}

}  // namespace drollo
