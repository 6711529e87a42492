// The warps as plain copy-in, copy-out steps: the whole picture is copied twice, one copy read and
// the other written pixel by pixel, every term computed per pixel straight from its formula. The
// region-limited kernels must give exactly these pictures.
#pragma once

#include <algorithm>
#include <cmath>

#include "image/bilinear.h"
#include "image/picture.h"

namespace drollo::warp::reference {

inline TColor ReadClamped(const Picture& s, int x, int y) {
  x = std::clamp(x, 0, s.width() - 1);
  y = std::clamp(y, 0, s.height() - 1);
  return s.pixel(x, y);
}

inline void Bulge(Picture& picture, int a, int b, int R, int H) {
  const Picture S = picture;
  Picture D = picture;
  const double rho = static_cast<double>(H * H + R * R) / (2 * H);
  const double sigma = rho - H;
  auto zOf = [&](int d) { return std::sqrt(rho * rho - static_cast<double>(d) * d) - rho + H; };
  auto wOf = [&](double z) { return std::sqrt((sigma + z) * (sigma + z) - sigma * sigma); };
  auto pixel = [&](int x, int y) {
    const int dx = a - x, dy = b - y;
    const double zx = zOf(dx), Wx = wOf(zx), hx = zx + sigma;
    const double zy = zOf(dy), hy = zy + sigma, Wy = wOf(zy);
    double xs = Wy - (hy - zy) * dx / std::sqrt(hy * hy - static_cast<double>(dx) * dx) + a - Wy;
    double ys = Wx - (hx - zx) * dy / std::sqrt(hx * hx - static_cast<double>(dy) * dy) + b - Wx;
    D.setPixel(x, y, xiangsujuhe(xs, ys, S.view()));
  };
  auto halfHeight = [&](int x) { return wOf(zOf(a - x)); };
  for (int x = a - R + 1; x <= a - 1; ++x)
    for (int y = Round(b - halfHeight(x)) + 1; y <= b - 1; ++y) pixel(x, y);
  for (int x = a + 1; x <= a + R - 1; ++x)
    for (int y = Round(b - halfHeight(x)) + 1; y <= b - 1; ++y) pixel(x, y);
  for (int x = a + 1; x <= a + R - 1; ++x)
    for (int y = b + 1; y <= Round(b + halfHeight(x)) - 1; ++y) pixel(x, y);
  for (int x = a - R + 1; x <= a - 1; ++x)
    for (int y = b + 1; y <= Round(b + halfHeight(x)) - 1; ++y) pixel(x, y);
  auto axis = [&](int c, int v) {
    return c - sigma * (c - v) / std::sqrt(rho * rho - static_cast<double>(c - v) * (c - v));
  };
  for (int x = a - R + 1; x <= a + R - 1; ++x)
    if (x != a) D.setPixel(x, b, ReadClamped(S, Round(axis(a, x)), b));
  for (int y = b - R + 1; y <= b + R - 1; ++y)
    if (y != b) D.setPixel(a, y, ReadClamped(S, a, Round(axis(b, y))));
  picture = D;
}

inline void Pinch(Picture& picture, int a, int b, int R, int H) {
  const Picture S = picture;
  Picture D = picture;
  const double rho = static_cast<double>(H * H + R * R) / (2 * H);
  const double sigma = rho - H;
  auto f = [&](int d) {
    const double dd = static_cast<double>(d) * d;
    return (rho - std::sqrt(sigma * sigma + dd)) / std::sqrt(sigma * sigma / dd + 1);
  };
  auto cOf = [&](int d) { return sigma + f(d) * sigma / std::abs(d); };
  for (int pass = 0; pass < 2; ++pass) {
    const int x0 = pass == 0 ? a - R + 1 : a + 1;
    const int x1 = pass == 0 ? a - 1 : a + R - 1;
    for (int x = x0; x <= x1; ++x) {
      const int dx = a - x;
      const double cx = cOf(dx);
      const double W = std::sqrt(cx * cx - sigma * sigma);
      auto pixel = [&](int y) {
        const int dy = b - y;
        const double cy = cOf(dy);
        const double ddx = static_cast<double>(dx) * dx, ddy = static_cast<double>(dy) * dy;
        const double mx =
            (cy - std::sqrt(sigma * sigma + ddx)) / std::sqrt(sigma * sigma / ddx + 1);
        const double my =
            (cx - std::sqrt(sigma * sigma + ddy)) / std::sqrt(sigma * sigma / ddy + 1);
        double xs = x < a ? x - mx : x + mx;
        double ys = y < b ? y - my : y + my;
        D.setPixel(x, y, xiangsujuhe(xs, ys, S.view()));
      };
      for (int y = b - Round(W) + 1; y <= b - 1; ++y) pixel(y);
      for (int y = b + 1; y <= b + Round(W) - 1; ++y) pixel(y);
    }
  }
  auto root = [&](int d) { return std::sqrt(sigma * sigma + static_cast<double>(d) * d); };
  for (int x = a - R + 1; x <= a - 1; ++x) {
    double xs = a - (a - x) * rho / root(a - x);
    if (xs < 0) xs = 0;
    D.setPixel(x, b, ReadClamped(S, Round(xs), b));
  }
  for (int x = a + 1; x <= a + R - 1; ++x) {
    double xs = a + (x - a) * rho / root(x - a);
    if (xs > S.width() - 1) xs = S.width() - 1;
    D.setPixel(x, b, ReadClamped(S, Round(xs), b));
  }
  for (int y = b - R + 1; y <= b - 1; ++y) {
    double ys = b - (b - y) * rho / root(b - y);
    if (ys < 0) ys = 0;
    D.setPixel(a, y, ReadClamped(S, a, Round(ys)));
  }
  for (int y = b + 1; y <= b + R - 1; ++y) {
    double ys = b + (y - b) * rho / root(y - b);
    if (ys > S.height() - 1) ys = S.height() - 1;
    D.setPixel(a, y, ReadClamped(S, a, Round(ys)));
  }
  picture = D;
}

}  // namespace drollo::warp::reference
