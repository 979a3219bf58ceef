// The floor for bench/startup.py: a bare Qt Widgets window with a menu bar and
// one label, titled like Seqget so that the same probe sees it mapped. Whatever
// Seqget takes beyond this is its own start-up work.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Seqget"));
    window.menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    window.setCentralWidget(new QLabel(QStringLiteral("簡単設定URL")));
    window.show();
    return app.exec();
}
