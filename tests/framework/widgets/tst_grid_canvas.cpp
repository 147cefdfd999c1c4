// The cell-drawing canvas on a real grid, checked pixel by pixel on a grab of it: the fill
// takes the selection colour exactly where the grid shows the selection, the brush copy
// leaves no trace of the transparent colour, and the icons stay crisp. The whole test runs
// at a device scale of 2, where a smoothed copy would blend the icon into the cell.

#include "framework/components/canvas.h"
#include "grid_fixture.h"

#include <QApplication>
#include <QPainter>
#include <QTest>

namespace {

const QColor kOlive(128, 128, 0);

// A mark on the olive key colour, drawn without antialiasing, as the status icons are.
QPixmap mark(int width, int height, const QColor& colour) {
    QPixmap pixmap(width, height);
    pixmap.fill(kOlive);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(colour, 3));
    p.drawLine(3, 3, width - 4, height - 4);
    p.drawLine(width - 4, 3, 3, height - 4);
    return pixmap;
}

struct StatusGrid : GridScreen {
    QPixmap tick = mark(20, 20, Qt::blue);
    QPixmap cross = mark(15, 16, Qt::red);

    StatusGrid() : GridScreen({{1, "S"}, {2, "N"}, {3, "X"}}) {
        // As the day list draws its status column: fill, then the icon 8 pixels in.
        grid->OnDrawColumnCell = [this](TDBGrid& g, const QRect& rect, int, TColumn& column,
                                        TGridDrawState) {
            if (column.FieldName() != "NRAGREFRAT")
                return;
            const QString status = g.DataSet()->FieldByName("NRAGREFRAT").AsString();
            const QPixmap icon = status == "S" ? cross : status == "N" ? tick : QPixmap();
            g.Canvas()->FillRect(rect);
            if (icon.isNull())
                return;
            g.Canvas()->BrushCopy(QRect(rect.left() + 8, rect.top(), icon.width(), rect.height()),
                                  icon, QRect(0, 0, icon.width(), rect.height()),
                                  colorFromValue(0x8080));
        };
        grid->Column(1).SetWidth(40);
    }

    QImage shot() const { return grid->viewport()->grab().toImage(); }
    // The cell's pixels in the grab (device pixels), its border left out.
    QRect cellPixels(int row, int col, const QImage& image) const {
        const QRect r = grid->visualRect(grid->model()->index(row, col)).adjusted(1, 1, -1, -1);
        const qreal scale = image.devicePixelRatio();
        return QRect(QPoint(int(r.left() * scale), int(r.top() * scale)),
                     QPoint(int((r.right() + 1) * scale) - 1, int((r.bottom() + 1) * scale) - 1));
    }
    // Every colour found inside a cell.
    QSet<QRgb> coloursIn(int row, int col) const {
        const QImage image = shot();
        QSet<QRgb> out;
        const QRect r = cellPixels(row, col, image);
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                out.insert(image.pixel(x, y) | 0xFF000000);
        return out;
    }
    QColor highlight() const {
        return grid->palette().color(QPalette::Active, QPalette::Highlight);
    }
    QColor base() const { return grid->palette().color(QPalette::Base); }
};

} // namespace

class TstGridCanvas : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void iconsKeepTheirPixelsAndTheKeyColourTakesTheCells();
    void theFillIsTheSelectionColourWhereTheSelectionShows_data();
    void theFillIsTheSelectionColourWhereTheSelectionShows();
};

void TstGridCanvas::initTestCase() {
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
}

void TstGridCanvas::iconsKeepTheirPixelsAndTheKeyColourTakesTheCells() {
    StatusGrid s;
    s.other->setFocus(); // no cell drawn selected
    const QRgb base = s.base().rgb();
    // Not smoothed: only the cell's colour and the icon's own colour, no olive, no blend.
    QCOMPARE(s.coloursIn(0, 1), (QSet<QRgb>{base, QColor(Qt::red).rgb()}));
    QCOMPARE(s.coloursIn(1, 1), (QSet<QRgb>{base, QColor(Qt::blue).rgb()}));
    QCOMPARE(s.coloursIn(2, 1), QSet<QRgb>{base}); // no icon: the letter is blanked too
    // The icon sits 8 pixels into the cell, each of its pixels a 2 × 2 block.
    const QImage image = s.shot();
    const QRect cell = s.cellPixels(1, 1, image);
    const QPoint centre =
        s.grid->visualRect(s.grid->model()->index(1, 1)).topLeft() + QPoint(8 + 10, 10);
    QCOMPARE(image.pixelColor(centre * 2), QColor(Qt::blue));
    QCOMPARE(image.pixelColor(centre * 2 + QPoint(1, 1)), QColor(Qt::blue));
    QCOMPARE(image.pixelColor(cell.left() + 2, cell.top() + 2), s.base());
}

void TstGridCanvas::theFillIsTheSelectionColourWhereTheSelectionShows_data() {
    QTest::addColumn<bool>("focused");
    QTest::addColumn<bool>("alwaysShowSelection");
    QTest::addColumn<bool>("selectionShows");
    QTest::newRow("focused") << true << false << true;
    QTest::newRow("not focused, selection always shown") << false << true << true;
    QTest::newRow("not focused") << false << false << false;
}

void TstGridCanvas::theFillIsTheSelectionColourWhereTheSelectionShows() {
    QFETCH(bool, focused);
    QFETCH(bool, alwaysShowSelection);
    QFETCH(bool, selectionShows);
    StatusGrid s;
    s.grid->SetOptions(alwaysShowSelection ? s.grid->Options() | dgAlwaysShowSelection
                                           : s.grid->Options() & ~dgAlwaysShowSelection);
    s.ds.SetRecNo(2);
    s.grid->SetSelectedIndex(1); // the status cell of the tick's row is selected
    if (focused)
        s.grid->setFocus();
    else
        s.other->setFocus();
    const QColor expected = selectionShows ? s.highlight() : s.base();
    QCOMPARE(s.coloursIn(1, 1), (QSet<QRgb>{expected.rgb(), QColor(Qt::blue).rgb()}));
    // The grid's own drawing of a selected cell has the same colour: the icon's cell does
    // not stand out from the row.
    s.grid->OnDrawColumnCell = nullptr;
    s.grid->SetSelectedIndex(2);
    const QImage image = s.shot();
    const QRect plain = s.cellPixels(1, 2, image);
    // (The style may lay its focus look over the focused cell: a shade, not another colour.)
    const QColor drawn = image.pixelColor(plain.center());
    QVERIFY2(qAbs(drawn.red() - expected.red()) <= 3 &&
                 qAbs(drawn.green() - expected.green()) <= 3 &&
                 qAbs(drawn.blue() - expected.blue()) <= 3,
             qPrintable(drawn.name() + " is not " + expected.name()));
}

int main(int argc, char** argv) {
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TstGridCanvas test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_grid_canvas.moc"
