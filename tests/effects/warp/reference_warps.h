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

inline void Swirl(Picture& picture, int a, int b, int R, int H, bool clockwise) {
  const Picture S = picture;
  Picture D = picture;
  const double rhoS = ((R / 2.0) * (R / 2.0) + H * H) / (2 * H);
  auto zAt = [&](double r) {
    const double e = r - R / 2.0;
    return std::sqrt(rhoS * rhoS - e * e) + H - rhoS;
  };
  auto pixel = [&](int x, int y) {
    const int dx = x - a, dy = b - y;
    const double r = std::sqrt(static_cast<double>(dx * dx + dy * dy));
    const double z = zAt(r);
    const double m = -static_cast<double>(dx) / dy;
    const double ox = z / std::sqrt(m * m + 1), oy = z / std::sqrt(1 / (m * m) + 1);
    // Clockwise: xs = x - z dy / r, ys = y - z dx / r.
    double xs, ys;
    if (clockwise) {
      xs = dy > 0 ? x - ox : x + ox;
      ys = dx > 0 ? y - oy : y + oy;
    } else {
      xs = dy > 0 ? x + ox : x - ox;
      ys = dx > 0 ? y + oy : y - oy;
    }
    D.setPixel(x, y, xiangsujuhe(xs, ys, S.view()));
  };
  auto W = [&](int x) { return std::sqrt(static_cast<double>(R * R - (x - a) * (x - a))); };
  for (int x = a + 1; x <= a + R - 1; ++x)
    for (int y = Round(b - W(x)) + 1; y <= b - 1; ++y) pixel(x, y);
  for (int x = a + 1; x <= a + R - 1; ++x)
    for (int y = b + 1; y <= Round(b + W(x)) - 1; ++y) pixel(x, y);
  for (int x = a - R + 1; x <= a - 1; ++x)
    for (int y = b + 1; y <= Round(b + W(x)) - 1; ++y) pixel(x, y);
  for (int x = a - R + 1; x <= a - 1; ++x)
    for (int y = Round(b - W(x)) + 1; y <= b - 1; ++y) pixel(x, y);
  auto sample = [&](int x, int y, double xs, double ys) {
    D.setPixel(x, y, xiangsujuhe(xs, ys, S.view()));
  };
  const double s = clockwise ? 1 : -1;
  for (int x = a + 1; x <= a + R - 1; ++x) sample(x, b, x, b - s * zAt(x - a));
  for (int y = b + 1; y <= b + R - 1; ++y) sample(a, y, a + s * zAt(y - b), y);
  for (int x = a - R + 1; x <= a - 1; ++x) sample(x, b, x, b + s * zAt(a - x));
  for (int y = b - R + 1; y <= b - 1; ++y) sample(a, y, a - s * zAt(b - y), y);
  picture = D;
}

// The four stretches. vertical: the pixel moves along its column; expand: the bulge's form.
inline void Stretch(Picture& picture, int a, int b, int R, int H, bool vertical, bool expand) {
  const Picture S = picture;
  Picture D = picture;
  const double rho = static_cast<double>(H * H + R * R) / (2 * H);
  const double sigma = rho - H;
  auto sq = [](int d) { return static_cast<double>(d) * d; };
  auto put = [&](int x, int y, double xs, double ys) {
    D.setPixel(x, y, xiangsujuhe(xs, ys, S.view()));
  };
  if (expand) {
    for (int u = -R + 1; u <= R - 1; ++u) {  // outer: columns (vertical) or rows
      const int outer = (vertical ? a : b) + u;
      const int dOut = (vertical ? a : b) - outer;
      const double z = std::sqrt(rho * rho - sq(dOut)) - rho + H;
      const double h = z + sigma;
      const double W = std::sqrt((sigma + z) * (sigma + z) - sigma * sigma);
      const int c = vertical ? b : a;
      for (int v = Round(c - W); v <= Round(c + W); ++v) {
        const int dIn = c - v;
        const double radicand = h * h - sq(dIn);
        if (radicand <= 0) continue;  // keeps its colour
        const double src = c - (h - z) * dIn / std::sqrt(radicand);
        if (vertical)
          put(outer, v, outer, src);
        else
          put(v, outer, src, outer);
      }
    }
  } else {
    auto f = [&](int d) {
      return (rho - std::sqrt(sigma * sigma + sq(d))) / std::sqrt(sigma * sigma / sq(d) + 1);
    };
    auto cOf = [&](int d) { return sigma + f(d) * sigma / std::abs(d); };
    for (int pass = 0; pass < 2; ++pass) {
      for (int x = pass == 0 ? a - R + 1 : a + 1; x <= (pass == 0 ? a - 1 : a + R - 1); ++x) {
        const int dx = a - x;
        const double cx = cOf(dx);
        const double W = std::sqrt(cx * cx - sigma * sigma);
        auto pixel = [&](int y) {
          const int dy = b - y;
          if (vertical) {
            const double m =
                (cx - std::sqrt(sigma * sigma + sq(dy))) / std::sqrt(sigma * sigma / sq(dy) + 1);
            put(x, y, x, y < b ? y - m : y + m);
          } else {
            const double cy = cOf(dy);
            const double m =
                (cy - std::sqrt(sigma * sigma + sq(dx))) / std::sqrt(sigma * sigma / sq(dx) + 1);
            put(x, y, x < a ? x - m : x + m, y);
          }
        };
        for (int y = b - Round(W) + 1; y <= b - 1; ++y) pixel(y);
        for (int y = b + 1; y <= b + Round(W) - 1; ++y) pixel(y);
      }
    }
    for (int v = -R + 1; v <= R - 1; ++v) {
      if (v == 0) continue;
      if (vertical) {
        const int y = b + v;
        put(a, y, a, y < b ? y - f(b - y) : y + f(b - y));
      } else {
        const int x = a + v;
        put(x, b, x < a ? x - f(a - x) : x + f(a - x), b);
      }
    }
  }
  picture = D;
}

// n / d, a zero denominator read as the limit from the right (the left picture column).
inline double Quotient(double n, double d) {
  if (d != 0) return n / d;
  return n > 0 ? HUGE_VAL : n < 0 ? -HUGE_VAL : 0.0;
}

// The smudge of a drag from (xd, yd) released at (xu, yu) in picture pixels, brush radius r.
inline void Smudge(Picture& picture, int xd, int yd, int xu, int yu, int r) {
  const Picture S = picture;
  Picture Wp = picture;
  for (int cls = 1; cls <= 8; ++cls) {
    const bool run = cls == 1   ? xu < xd && yu < yd
                     : cls == 2 ? xu > xd && yu > yd
                     : cls == 3 ? xu > xd && yu < yd
                     : cls == 4 ? xu < xd && yu > yd
                     : cls == 5 ? xu < xd && yu == yd
                     : cls == 6 ? xu > xd && yu == yd
                     : cls == 7 ? xu == xd && yu > yd
                                : xu == xd && yu < yd;
    if (!run) continue;
    double L, k = 0, ax = 0, ay = 0, mx, my, wx = 0, wy = 0;
    int ex = xd, ey = yd;
    if (cls <= 4) {
      k = static_cast<double>(yd - yu) / (xd - xu);
      ax = 1 / std::sqrt(k * k + 1);
      ay = std::abs(k) / std::sqrt(k * k + 1);
      L = std::sqrt(static_cast<double>((xd - xu) * (xd - xu) + (yd - yu) * (yd - yu)));
      if (r / 2.0 < L) L = r / 2.0;
      if (cls == 1) ex = xd - Round(L * ax), ey = yd - Round(L * ay), wx = -ax, wy = -ay;
      if (cls == 2) ex = xd + Round(L * ax), ey = yd + Round(L * ay), wx = ax, wy = ay;
      if (cls == 3) ex = xd + Round(L * ax), ey = yd - Round(L * ay), wx = ax, wy = -ay;
      if (cls == 4) ex = xd - Round(L * ax), ey = yd + Round(L * ay), wx = -ax, wy = ay;
      mx = (xd + ex) / 2.0;
      my = (yd + ey) / 2.0;
    } else {
      L = cls == 5 ? xd - xu : cls == 6 ? xu - xd : cls == 7 ? yu - yd : yd - yu;
      if (r / 2.0 < L) L = r / 2.0;
      ex = xd, ey = yd, mx = xd, my = yd;
      if (cls == 5) ex = xd - Round(L), mx = xd - L / 2, wx = -1;
      if (cls == 6) ex = xd + Round(L), mx = xd + Round(L) - L / 2, wx = 1;
      if (cls == 7) ey = yd + Round(L), my = yd + L / 2, wy = 1;
      if (cls == 8) ey = yd - Round(L), my = yd - L / 2, wy = -1;
    }
    xu = ex;
    yu = ey;
    const double R = r + L / 2;
    const double o = (2 * (R * R) - (r + L) * (r + L)) / L;
    for (int x = Round(mx - L / 2 - r) + 1; x <= Round(mx + L / 2 + r) - 1; ++x) {
      const double h = std::sqrt(R * R - (mx - x) * (mx - x));
      for (int y = Round(my - h) + 1; y <= Round(my + h) - 1; ++y) {
        double Fx, Fy;
        if (cls <= 4) {
          Fx = ((my - y) + k * x + mx / k) / (k + 1 / k);
          Fy = my - (Fx - mx) / k;
        } else if (cls <= 6) {
          Fx = mx, Fy = y;
        } else {
          Fx = x, Fy = my;
        }
        const double d = std::sqrt((Fx - mx) * (Fx - mx) + (Fy - my) * (Fy - my));
        const double m = std::sqrt(R * R - d * d);
        const double t = std::sqrt((r + L + o) * (r + L + o) - d * d) - L / 2 - r - o;
        const double Tx = Fx + t * wx, Ty = Fy + t * wy;
        bool ahead;
        switch (cls) {
          case 1:
            ahead = static_cast<double>(x * x + y * y) < Tx * Tx + Ty * Ty;
            break;
          case 2:
            ahead = static_cast<double>(x * x + y * y) >= Tx * Tx + Ty * Ty;
            break;
          case 3:
            ahead = Quotient(Ty, Tx) > Quotient(y, x);
            break;
          case 4:
            ahead = Quotient(Ty, Tx) <= Quotient(y, x);
            break;
          case 5:
            ahead = x < Tx;
            break;
          case 6:
            ahead = x >= Tx;
            break;
          case 7:
            ahead = y > Ty;
            break;
          default:
            ahead = y <= Ty;
            break;
        }
        double sx, sy;
        if (!ahead) {
          const double ebx = Fx - m * wx, eby = Fy - m * wy;
          sx = ebx + (x - ebx) * m / (m + t);
          sy = eby + (y - eby) * m / (m + t);
        } else {
          const double efx = Fx + m * wx, efy = Fy + m * wy;
          sx = efx + (x - efx) * m / (m - t);
          sy = efy + (y - efy) * m / (m - t);
        }
        const TColor c = xiangsujuhe(sx, sy, S.view());
        if (x >= 0 && y >= 0 && x < picture.width() && y < picture.height()) Wp.setPixel(x, y, c);
      }
    }
  }
  picture = Wp;
}

// The wave warp, folds as written.
inline void Wave(Picture& picture, int A, int B, int K) {
  const Picture Src = picture;
  Picture Dst = picture;
  const int W = picture.width(), H = picture.height();
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      int sx = Round(std::sin(static_cast<double>(y) / B) * K + x);
      int sy = Round(std::cos(static_cast<double>(x) / A) * K + y);
      if (sx < 0)
        sx = (W - 1) - ((-sx) % W);
      else if (sx >= W)
        sx = sx % W;
      if (sy < 0)
        sy = (H - 1) - ((-sy) % H);
      else if (sy >= H)
        sy = H == 1 ? 0 : sy % (H - 1);
      Dst.setPixel(x, y, Src.pixel(sx, sy));
    }
  picture = Dst;
}

}  // namespace drollo::warp::reference
