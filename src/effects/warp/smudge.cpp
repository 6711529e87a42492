#include "effects/warp/smudge.h"

#include <cassert>
#include <cmath>
#include <limits>

#include "effects/warp/sweep.h"
#include "image/bilinear.h"

namespace drollo::warp {

using namespace detail;

namespace {

// n / den, with a zero denominator read as the limit from the right.
double Slope(double n, double den) {
  if (den != 0) return n / den;
  if (n > 0) return std::numeric_limits<double>::infinity();
  if (n < 0) return -std::numeric_limits<double>::infinity();
  return 0;
}

bool Ahead(const SmudgeRun& run, int x, int y, double Tx, double Ty) {
  switch (run.cls) {
    case 1:
      return static_cast<double>(static_cast<long long>(x) * x + static_cast<long long>(y) * y) <
             Tx * Tx + Ty * Ty;
    case 2:
      return static_cast<double>(static_cast<long long>(x) * x + static_cast<long long>(y) * y) >=
             Tx * Tx + Ty * Ty;
    case 3:
      return Slope(Ty, Tx) > Slope(y, x);
    case 4:
      return Slope(Ty, Tx) <= Slope(y, x);
    case 5:
      return x < Tx;
    case 6:
      return x >= Tx;
    case 7:
      return y > Ty;
    default:
      return y <= Ty;
  }
}

void Finish(SmudgeRun& run) {
  run.R = run.r + run.L / 2;
  run.o = (2 * (run.R * run.R) - (run.r + run.L) * (run.r + run.L)) / run.L;
}

}  // namespace

std::vector<SmudgeRun> PlanSmudge(int xd, int yd, int xu, int yu, int r) {
  std::vector<SmudgeRun> runs;
  if (r <= 0) return runs;
  const double limit = r / 2.0;
  for (int cls = 1; cls <= 8; ++cls) {
    bool runs_now = false;
    switch (cls) {
      case 1:
        runs_now = xu < xd && yu < yd;
        break;
      case 2:
        runs_now = xu > xd && yu > yd;
        break;
      case 3:
        runs_now = xu > xd && yu < yd;
        break;
      case 4:
        runs_now = xu < xd && yu > yd;
        break;
      case 5:
        runs_now = xu < xd && yu == yd;
        break;
      case 6:
        runs_now = xu > xd && yu == yd;
        break;
      case 7:
        runs_now = xu == xd && yu > yd;
        break;
      default:
        runs_now = xu == xd && yu < yd;
        break;
    }
    if (!runs_now) continue;
    SmudgeRun run;
    run.cls = cls;
    run.r = r;
    if (cls <= 4) {
      run.k = static_cast<double>(yd - yu) / (xd - xu);
      const double ax = 1 / std::sqrt(run.k * run.k + 1);
      const double ay = std::abs(run.k) / std::sqrt(run.k * run.k + 1);
      const long long ddx = xd - xu, ddy = yd - yu;
      run.L = std::sqrt(static_cast<double>(ddx * ddx + ddy * ddy));
      if (limit < run.L) run.L = limit;
      const int sx = (cls == 2 || cls == 3) ? 1 : -1;  // right
      const int sy = (cls == 2 || cls == 4) ? 1 : -1;  // down
      run.wx = sx * ax;
      run.wy = sy * ay;
      run.endX = xd + sx * Round(run.L * ax);
      run.endY = yd + sy * Round(run.L * ay);
      run.mx = (xd + run.endX) / 2.0;
      run.my = (yd + run.endY) / 2.0;
    } else {
      run.L = cls == 5 ? xd - xu : cls == 6 ? xu - xd : cls == 7 ? yu - yd : yd - yu;
      if (limit < run.L) run.L = limit;
      run.endX = xd;
      run.endY = yd;
      run.mx = xd;
      run.my = yd;
      switch (cls) {
        case 5:
          run.wx = -1;
          run.endX = xd - Round(run.L);
          run.mx = xd - run.L / 2;
          break;
        case 6:
          run.wx = 1;
          run.endX = xd + Round(run.L);
          run.mx = xd + Round(run.L) - run.L / 2;
          break;
        case 7:
          run.wy = 1;
          run.endY = yd + Round(run.L);
          run.my = yd + run.L / 2;
          break;
        default:
          run.wy = -1;
          run.endY = yd - Round(run.L);
          run.my = yd - run.L / 2;
          break;
      }
    }
    Finish(run);
    runs.push_back(run);
    xu = run.endX;
    yu = run.endY;
  }
  return runs;
}

SmudgeChord SmudgeChordAt(const SmudgeRun& run, double d) {
  SmudgeChord c;
  c.m = std::sqrt(run.R * run.R - d * d);
  const double arc = run.r + run.L + run.o;
  c.t = std::sqrt(arc * arc - d * d) - run.L / 2 - run.r - run.o;
  return c;
}

SmudgeSourcePosition SmudgeSource(const SmudgeRun& run, int x, int y) {
  double Fx, Fy;
  if (run.cls <= 4) {
    Fx = ((run.my - y) + run.k * x + run.mx / run.k) / (run.k + 1 / run.k);
    Fy = run.my - (Fx - run.mx) / run.k;
  } else if (run.cls <= 6) {
    Fx = run.mx;
    Fy = y;
  } else {
    Fx = x;
    Fy = run.my;
  }
  const double d = std::sqrt((Fx - run.mx) * (Fx - run.mx) + (Fy - run.my) * (Fy - run.my));
  const SmudgeChord c = SmudgeChordAt(run, d);
  const double Tx = Fx + c.t * run.wx;
  const double Ty = Fy + c.t * run.wy;
  SmudgeSourcePosition s;
  if (!Ahead(run, x, y, Tx, Ty)) {
    const double Ebx = Fx - c.m * run.wx, Eby = Fy - c.m * run.wy;
    s.x = Ebx + (x - Ebx) * c.m / (c.m + c.t);
    s.y = Eby + (y - Eby) * c.m / (c.m + c.t);
  } else {
    const double Efx = Fx + c.m * run.wx, Efy = Fy + c.m * run.wy;
    s.x = Efx + (x - Efx) * c.m / (c.m - c.t);
    s.y = Efy + (y - Efy) * c.m / (c.m - c.t);
  }
  return s;
}

Rect SmudgeBounds(const SmudgeRun& run) {
  return Rect{Round(run.mx - run.L / 2 - run.r) + 1, Round(run.my - run.R) + 1,
              Round(run.mx + run.L / 2 + run.r), Round(run.my + run.R)};
}

void smudge(const ConstView& src, const MutableView& dst, const SmudgeRun& run,
            const Progress& progress) {
  assert(!Overlap(src, dst));
  auto rows = [&](int x) {
    const double h = std::sqrt(run.R * run.R - (run.mx - x) * (run.mx - x));
    return Clip(Round(run.my - h) + 1, Round(run.my + h) - 1, dst.bounds);
  };
  auto pixel = [&](int x, int y) {
    SmudgeSourcePosition from = SmudgeSource(run, x, y);
    Put(dst, x, y, xiangsujuhe(from.x, from.y, src));
  };
  SweepColumns(Round(run.mx - run.L / 2 - run.r) + 1, Round(run.mx + run.L / 2 + run.r) - 1,
               dst.bounds, rows, pixel, progress);
}

}  // namespace drollo::warp
