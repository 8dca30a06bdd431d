#include "results/Plot.Figure.h"

#include <algorithm>

std::vector<TPlotPoint> ThinnedForColumns(const std::vector<TPlotPoint>& Curve, int Columns) {
  if (Columns <= 0 || Curve.size() <= static_cast<std::size_t>(Columns) * 2) {
    return Curve;
  }
  const auto [Least, Most] =
      std::minmax_element(Curve.begin(), Curve.end(),
                          [](const TPlotPoint& A, const TPlotPoint& B) { return A.X < B.X; });
  const double MinX = Least->X;
  const double Width = Most->X - MinX;
  if (!(Width > 0.0)) {
    return {*std::min_element(Curve.begin(), Curve.end(),
                              [](const TPlotPoint& A, const TPlotPoint& B) { return A.Y < B.Y; }),
            *std::max_element(Curve.begin(), Curve.end(),
                              [](const TPlotPoint& A, const TPlotPoint& B) { return A.Y < B.Y; })};
  }
  struct TColumn {
    const TPlotPoint* Low = nullptr;
    const TPlotPoint* High = nullptr;
  };
  std::vector<TColumn> Cells(static_cast<std::size_t>(Columns));
  for (const TPlotPoint& Point : Curve) {
    const auto Index = std::min<std::size_t>(
        static_cast<std::size_t>((Point.X - MinX) / Width * Columns), Cells.size() - 1);
    TColumn& Cell = Cells[Index];
    if (Cell.Low == nullptr || Point.Y < Cell.Low->Y) {
      Cell.Low = &Point;
    }
    if (Cell.High == nullptr || Point.Y > Cell.High->Y) {
      Cell.High = &Point;
    }
  }
  std::vector<TPlotPoint> Thinned;
  for (const TColumn& Cell : Cells) {
    if (Cell.Low == nullptr) {
      continue;
    }
    // The two in the order they were written, so that the line runs through them as drawn.
    const bool LowFirst = Cell.Low < Cell.High;
    Thinned.push_back(LowFirst ? *Cell.Low : *Cell.High);
    if (Cell.Low != Cell.High) {
      Thinned.push_back(LowFirst ? *Cell.High : *Cell.Low);
    }
  }
  return Thinned;
}
