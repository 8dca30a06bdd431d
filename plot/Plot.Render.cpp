#include "plot/Plot.Render.h"

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QChart>
#include <QFile>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QImage>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

#include "text/Escape.Control.h"

namespace {

constexpr int Width = 1600;
constexpr int Height = 900;
constexpr int ColumnsToDraw = 1600;

bool EndsWith(const std::string& Text, const std::string& End) {
  return Text.size() >= End.size() &&
         std::equal(End.rbegin(), End.rend(), Text.rbegin(), [](char Wanted, char Got) {
           return std::tolower(static_cast<unsigned char>(Got)) == Wanted;
         });
}

QString Text(const std::string& Utf8) {
  return QString::fromUtf8(Utf8.data(), static_cast<qsizetype>(Utf8.size()));
}

// A text drawn in the chart: a folder's or a drive's name in it may hold control characters,
// which XML cannot carry, or bytes that are not UTF-8; they show as the report shows them.
QString Shown(const std::string& Utf8) {
  return Text(EscapeControlCharacters(Utf8));
}

// Distinct colours for the curves; red is the half-average line's alone. The current pass (or
// the first run of a comparison) is blue; earlier passes take the others, faint.
QColor CurveColour(std::size_t Rank, bool Faint) {
  static const QColor Colours[] = {QColor(0x1f, 0x77, 0xb4), QColor(0x2c, 0xa0, 0x2c),
                                   QColor(0x94, 0x67, 0xbd), QColor(0xff, 0x7f, 0x0e),
                                   QColor(0x8c, 0x56, 0x4b), QColor(0x17, 0xbe, 0xcf)};
  QColor Colour = Colours[(Faint ? Rank + 1 : Rank) % std::size(Colours)];
  if (Faint) {
    Colour.setAlpha(90);
  }
  return Colour;
}

struct TRange {
  double MinX = 0.0, MaxX = 0.0, MaxY = 0.0;
};

TRange RangeOf(const TPlotFigure& Figure) {
  TRange Range;
  bool Any = false;
  for (const TPlotCurve& Curve : Figure.Curves) {
    for (const TPlotPoint& Point : Curve.Points) {
      Range.MinX = Any ? std::min(Range.MinX, Point.X) : Point.X;
      Range.MaxX = Any ? std::max(Range.MaxX, Point.X) : Point.X;
      Range.MaxY = std::max(Range.MaxY, Point.Y);
      Any = true;
    }
  }
  for (const TPlotStep& Step : Figure.Steps) {
    Range.MaxY = std::max(Range.MaxY, Step.Y);
  }
  if (Figure.XFalls) {
    Range.MaxX = std::max(Range.MaxX, 100.0);
  }
  Range.MinX = std::min(Range.MinX, 0.0);  // MiB written and the free share both start at 0
  if (Range.MaxX <= Range.MinX) {
    Range.MaxX = Range.MinX + 1.0;
  }
  Range.MaxY = Range.MaxY > 0.0 ? Range.MaxY * 1.1 : 1.0;
  return Range;
}

void AddLine(QChart& Chart, QValueAxis* X, QValueAxis* Y, const std::vector<TPlotPoint>& Points,
             const QPen& Pen, const QString& Label, bool InLegend) {
  auto* Series = new QLineSeries();
  QList<QPointF> Drawn;
  Drawn.reserve(static_cast<qsizetype>(Points.size()));
  for (const TPlotPoint& Point : Points) {
    Drawn.append(QPointF(Point.X, Point.Y));
  }
  Series->replace(Drawn);
  Series->setPen(Pen);
  Series->setName(Label);
  Chart.addSeries(Series);
  Series->attachAxis(X);
  Series->attachAxis(Y);
  if (!InLegend) {
    for (QLegendMarker* Marker : Chart.legend()->markers(Series)) {
      Marker->setVisible(false);
    }
  }
}

// The chart's scene, laid out at the image's size; the caller draws it.
std::unique_ptr<QGraphicsScene> BuildScene(const TPlotFigure& Figure) {
  auto Scene = std::make_unique<QGraphicsScene>();
  auto* Chart = new QChart();
  Scene->addItem(Chart);
  Chart->setBackgroundBrush(Qt::white);
  Chart->setAnimationOptions(QChart::NoAnimation);
  QFont TitleFont = Chart->titleFont();
  TitleFont.setPixelSize(22);
  TitleFont.setBold(true);
  Chart->setTitleFont(TitleFont);
  QString Title = Shown(Figure.Title).toHtmlEscaped();
  for (const std::string& Line : Figure.Caption) {
    Title +=
        QStringLiteral("<br><span style=\"font-size:15px; font-weight:normal\">") +
        Shown(Line).toHtmlEscaped().replace(QStringLiteral("  "), QStringLiteral("&nbsp;&nbsp;")) +
        QStringLiteral("</span>");
  }
  Chart->setTitle(Title);

  const TRange Range = RangeOf(Figure);
  auto* X = new QValueAxis();
  auto* Y = new QValueAxis();
  X->setTitleText(Shown(Figure.XTitle));
  Y->setTitleText(Shown(Figure.YTitle));
  X->setRange(Range.MinX, Range.MaxX);
  X->setReverse(Figure.XFalls);
  Y->setRange(0.0, Range.MaxY);
  Y->applyNiceNumbers();
  if (!Figure.XFalls) {
    X->applyNiceNumbers();
  }
  X->setTickCount(11);
  X->setLabelFormat(QStringLiteral("%.0f"));
  Y->setLabelFormat(QStringLiteral("%.0f"));
  for (QValueAxis* Axis : {X, Y}) {
    QFont Font = Axis->labelsFont();
    Font.setPixelSize(14);
    Axis->setLabelsFont(Font);
    Font.setPixelSize(16);
    Axis->setTitleFont(Font);
  }
  Chart->addAxis(X, Qt::AlignBottom);
  Chart->addAxis(Y, Qt::AlignLeft);

  // Earlier passes first, so that the current one is drawn over them.
  std::vector<std::size_t> Order(Figure.Curves.size());
  for (std::size_t Index = 0; Index < Order.size(); ++Index) {
    Order[Index] = Index;
  }
  std::stable_partition(Order.begin(), Order.end(),
                        [&](std::size_t Index) { return Figure.Curves[Index].Faint; });
  std::size_t FaintRank = 0;
  std::size_t Rank = 0;
  for (const std::size_t Index : Order) {
    const TPlotCurve& Curve = Figure.Curves[Index];
    QPen Pen(CurveColour(Curve.Faint ? FaintRank++ : Rank++, Curve.Faint));
    Pen.setWidthF(Curve.Faint ? 1.0 : 1.5);
    AddLine(*Chart, X, Y, ThinnedForColumns(Curve.Points, ColumnsToDraw), Pen, Shown(Curve.Label),
            !Curve.Label.empty());
  }
  for (const TPlotStep& Step : Figure.Steps) {
    QPen Pen(QColor(0x33, 0x33, 0x33));
    Pen.setWidthF(2.0);
    Pen.setStyle(Qt::DashLine);
    AddLine(*Chart, X, Y, {{Step.FromX, Step.Y}, {Step.ToX, Step.Y}}, Pen, {}, false);
    QPen Marker(QColor(0x66, 0x66, 0x66));
    Marker.setWidthF(1.0);
    AddLine(*Chart, X, Y, {{Step.FromX, 0.0}, {Step.FromX, Y->max()}}, Marker, {}, false);
  }
  if (Figure.HalfAverage) {
    QPen Pen(Qt::red);
    Pen.setWidthF(1.5);
    AddLine(*Chart, X, Y, {{Range.MinX, *Figure.HalfAverage}, {Range.MaxX, *Figure.HalfAverage}},
            Pen, {}, false);
  }
  Chart->legend()->setVisible(Figure.Curves.size() > 1);
  Chart->legend()->setAlignment(Qt::AlignBottom);
  Chart->setGeometry(0, 0, Width, Height);
  Scene->setSceneRect(0, 0, Width, Height);

  // The steps' labels, over the chart at their places.
  for (const TPlotStep& Step : Figure.Steps) {
    if (Step.Label.empty()) {
      continue;
    }
    const QPointF At = Chart->mapToPosition(QPointF(Step.FromX, Step.Y));
    auto* Label = Scene->addSimpleText(Shown(Step.Label));
    QFont Font = Label->font();
    Font.setPixelSize(14);
    Label->setFont(Font);
    Label->setPos(At + QPointF(4.0, -20.0));
  }
  return Scene;
}

}  // namespace

void EnsurePlotApplication() {
  if (QCoreApplication::instance() != nullptr) {
    return;
  }
  // Never a display: a server has none, and a desktop's must not flash a window.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt's note that a terminal session has no runtime folder is no concern of a chart's.
  static const QtMessageHandler Previous = qInstallMessageHandler(nullptr);
  qInstallMessageHandler(
      [](QtMsgType Type, const QMessageLogContext& Context, const QString& Message) {
        if (Message.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR"))) {
          return;
        }
        if (Previous != nullptr) {
          Previous(Type, Context, Message);
        } else {
          std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(Type, Context, Message)));
        }
      });
  static int Argc = 1;
  static char Name[] = "varnell-cli";
  static char* Argv[] = {Name, nullptr};
  static QApplication Application(Argc, Argv);
}

std::string SavePlot(const TPlotFigure& Figure, const std::string& Path) {
  const bool Svg = EndsWith(Path, ".svg");
  if (!Svg && !EndsWith(Path, ".png")) {
    return "the image file must end in .svg or .png: \"" + Path + "\"";
  }
  const std::unique_ptr<QGraphicsScene> Scene = BuildScene(Figure);
  // Drawn into a new file beside the old one and renamed over it only when whole: a failure
  // (a full volume) leaves the earlier picture, never a truncated one.
  QSaveFile File(Text(Path));
  if (!File.open(QIODevice::WriteOnly)) {
    return "cannot write \"" + Path + "\": " + File.errorString().toStdString();
  }
  if (Svg) {
    QSvgGenerator Generator;
    Generator.setOutputDevice(&File);
    Generator.setSize(QSize(Width, Height));
    Generator.setViewBox(QRect(0, 0, Width, Height));
    Generator.setTitle(Shown(Figure.Title));
    QPainter Painter;
    if (!Painter.begin(&Generator)) {
      File.cancelWriting();
      return "cannot write \"" + Path + "\"";
    }
    Scene->render(&Painter, QRectF(0, 0, Width, Height), QRectF(0, 0, Width, Height));
    Painter.end();
  } else {
    QImage Image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    Image.fill(Qt::white);
    QPainter Painter(&Image);
    Painter.setRenderHint(QPainter::Antialiasing);
    Scene->render(&Painter, QRectF(0, 0, Width, Height), QRectF(0, 0, Width, Height));
    Painter.end();
    // Encoded in memory first: a write that fails inside libpng unwinds past Qt's cleanup and
    // leaks the image, while a failed write of the finished bytes is only an error.
    QByteArray Encoded;
    QBuffer Buffer(&Encoded);
    if (!Buffer.open(QIODevice::WriteOnly) || !Image.save(&Buffer, "PNG")) {
      File.cancelWriting();
      return "cannot draw \"" + Path + "\" as PNG";
    }
    if (File.write(Encoded) != Encoded.size()) {
      const std::string Reason = File.errorString().toStdString();
      File.cancelWriting();
      return "cannot write \"" + Path + "\": " + Reason;
    }
  }
  // The generator reports no write that failed; the file remembers one.
  if (!File.commit()) {
    return "cannot write \"" + Path + "\": " + File.errorString().toStdString();
  }
  return {};
}
