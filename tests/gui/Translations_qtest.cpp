// Qt's own dialogs speak Japanese: the folder chooser and the standard buttons.
#include "gui/Translations.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

class TranslationsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(quilo::InstallQtTranslations(*QCoreApplication::instance())); }

    void standardButtonsAreJapanese() {
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes | QDialogButtonBox::No);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
        QCOMPARE(box.button(QDialogButtonBox::Yes)->text().remove(QLatin1Char('&')).left(2), QStringLiteral("はい"));
        QCOMPARE(box.button(QDialogButtonBox::No)->text().remove(QLatin1Char('&')).left(3), QStringLiteral("いいえ"));
    }

    void folderChooserIsJapanese() {
        QFileDialog chooser;
        chooser.setOption(QFileDialog::DontUseNativeDialog);
        chooser.setFileMode(QFileDialog::Directory);
        auto* lookIn = chooser.findChild<QLabel*>(QStringLiteral("lookInLabel"));
        QVERIFY(lookIn);
        QVERIFY2(!lookIn->text().contains(QStringLiteral("Look in")), qPrintable(lookIn->text()));
        auto* buttons = chooser.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        QVERIFY(buttons);
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
    }
};

QTEST_MAIN(TranslationsTest)
#include "Translations_qtest.moc"
