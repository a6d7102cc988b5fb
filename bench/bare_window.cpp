// Baseline for the start-up benchmark: a bare Qt Widgets window that quits once it has been shown.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow w;
    w.setCentralWidget(new QLabel(QStringLiteral("baseline"), &w));
    w.resize(393, 580);
    w.show();
    QTimer::singleShot(0, &w, &QWidget::close);
    return app.exec();
}
