// Keys as the screens' handlers receive them: the virtual-key code of every key, the
// numeric keypad and punctuation included, and every typed character, control characters
// included, so that a paste into a cell goes through the screen's key check.

#include "framework/components/keys.h"
#include "grid_fixture.h"

#include <QClipboard>
#include <QKeyEvent>
#include <QTest>

Q_DECLARE_METATYPE(Qt::KeyboardModifiers)

class TstKeys : public QObject {
    Q_OBJECT
private slots:
    void everyKeyHasItsVirtualKeyCode_data();
    void everyKeyHasItsVirtualKeyCode();
    void typedCharactersIncludeControlCharacters_data();
    void typedCharactersIncludeControlCharacters();
    void aSwallowedPasteDoesNotPaste();
};

void TstKeys::everyKeyHasItsVirtualKeyCode_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("code");
    const Qt::KeyboardModifiers none, keypad(Qt::KeypadModifier), shift(Qt::ShiftModifier);
    for (int n = 0; n <= 9; ++n)
        QTest::addRow("keypad %d", n) << int(Qt::Key_0 + n) << keypad << 0x60 + n;
    QTest::newRow("keypad *") << int(Qt::Key_Asterisk) << keypad << 0x6A;
    QTest::newRow("keypad +") << int(Qt::Key_Plus) << keypad << 0x6B;
    QTest::newRow("keypad -") << int(Qt::Key_Minus) << keypad << 0x6D;
    QTest::newRow("keypad decimal point") << int(Qt::Key_Period) << keypad << 0x6E;
    QTest::newRow("keypad decimal comma") << int(Qt::Key_Comma) << keypad << 0x6E;
    QTest::newRow("keypad /") << int(Qt::Key_Slash) << keypad << 0x6F;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << keypad << 13;
    QTest::newRow("keypad End, NumLock off") << int(Qt::Key_End) << keypad << 35;
    QTest::newRow(";") << int(Qt::Key_Semicolon) << none << 0xBA;
    QTest::newRow(":") << int(Qt::Key_Colon) << shift << 0xBA;
    QTest::newRow("ç") << int(Qt::Key_Ccedilla) << none << 0xBA;
    QTest::newRow("=") << int(Qt::Key_Equal) << none << 0xBB;
    QTest::newRow(",") << int(Qt::Key_Comma) << none << 0xBC;
    QTest::newRow("-") << int(Qt::Key_Minus) << none << 0xBD;
    QTest::newRow(".") << int(Qt::Key_Period) << none << 0xBE;
    QTest::newRow("/") << int(Qt::Key_Slash) << none << 0xBF;
    QTest::newRow("`") << int(Qt::Key_QuoteLeft) << none << 0xC0;
    QTest::newRow("[") << int(Qt::Key_BracketLeft) << none << 0xDB;
    QTest::newRow("\\") << int(Qt::Key_Backslash) << none << 0xDC;
    QTest::newRow("]") << int(Qt::Key_BracketRight) << none << 0xDD;
    QTest::newRow("'") << int(Qt::Key_Apostrophe) << none << 0xDE;
    QTest::newRow("! on the 1 key") << int(Qt::Key_Exclam) << shift << int('1');
    QTest::newRow("A") << int(Qt::Key_A) << none << int('A');
    QTest::newRow("5") << int(Qt::Key_5) << none << int('5');
    QTest::newRow("F2") << int(Qt::Key_F2) << none << 113;
    QTest::newRow("Shift alone") << int(Qt::Key_Shift) << shift << 16;
    QTest::newRow("Page Down") << int(Qt::Key_PageDown) << none << 34;
}

void TstKeys::everyKeyHasItsVirtualKeyCode() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, code);
    const QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QCOMPARE(virtualKeyOf(&event), code);
    // …and the grid's handler hears it so.
    GridScreen s;
    int heard = -1;
    s.grid->OnKeyDown = [&](TDBGrid&, int& k, TShiftState) {
        heard = k;
        k = 0;
    };
    QTest::keyClick(s.grid, Qt::Key(key), modifiers);
    QCOMPARE(heard, code);
}

void TstKeys::typedCharactersIncludeControlCharacters_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("typed"); // -1: no key press at all
    const Qt::KeyboardModifiers none, ctrl(Qt::ControlModifier);
    QTest::newRow("Ctrl+V") << int(Qt::Key_V) << ctrl << "\x16" << 22;
    QTest::newRow("Ctrl+X") << int(Qt::Key_X) << ctrl << "\x18" << 24;
    QTest::newRow("Ctrl+C") << int(Qt::Key_C) << ctrl << "\x03" << 3;
    QTest::newRow("Ctrl+V without text") << int(Qt::Key_V) << ctrl << "" << 22;
    QTest::newRow("Ctrl+Shift+V") << int(Qt::Key_V) << (ctrl | Qt::ShiftModifier) << "" << 22;
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << none << "\b" << 8;
    QTest::newRow("Enter") << int(Qt::Key_Return) << none << "\r" << 13;
    QTest::newRow("Esc") << int(Qt::Key_Escape) << none << "\x1b" << 27;
    QTest::newRow("Tab") << int(Qt::Key_Tab) << none << "\t" << 9;
    QTest::newRow("a") << int(Qt::Key_A) << none << "a" << int('a');
    QTest::newRow("A") << int(Qt::Key_A) << Qt::KeyboardModifiers(Qt::ShiftModifier) << "A"
                       << int('A');
    QTest::newRow("AltGr") << int(Qt::Key_twosuperior) << (ctrl | Qt::AltModifier) << "²" << 0xB2;
    QTest::newRow("Alt+E, a mnemonic")
        << int(Qt::Key_E) << Qt::KeyboardModifiers(Qt::AltModifier) << "e" << -1;
    QTest::newRow("Down") << int(Qt::Key_Down) << none << "" << -1;
}

void TstKeys::typedCharactersIncludeControlCharacters() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, text);
    QFETCH(int, typed);
    const QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    const QChar c = typedCharOf(&event);
    QCOMPARE(c.isNull() ? -1 : int(c.unicode()), typed);
    // The grid's key-press handler hears it, on the grid and in an open cell alike.
    GridScreen s;
    QList<int> heard;
    s.grid->OnKeyPress = [&](TDBGrid&, QChar& k) {
        heard << int(k.unicode());
        k = QChar();
    };
    QKeyEvent onGrid(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(s.grid, &onGrid);
    press(Qt::Key_F2);
    QVERIFY(s.editor());
    QKeyEvent inCell(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(s.editor(), &inCell);
    QCOMPARE(heard, typed < 0 ? QList<int>() : (QList<int>{typed, typed}));
}

void TstKeys::aSwallowedPasteDoesNotPaste() {
    GridScreen s;
    QApplication::clipboard()->setText("123");
    bool refusePaste = true;
    s.grid->OnKeyPress = [&](TDBGrid&, QChar& k) {
        if (refusePaste && k == QChar(22))
            k = QChar();
    };
    press(Qt::Key_F2);
    press(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(s.editor()->text(), QString("4"));
    QCOMPARE(s.ds.State(), dsBrowse);
    // Allowed, the paste is a change like any typed key: it opens the row.
    refusePaste = false;
    press(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(s.editor()->text(), QString("123"));
    QCOMPARE(s.ds.State(), dsEdit);
}

QTEST_MAIN(TstKeys)
#include "tst_keys.moc"
