#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("verdolin"));
    QTextStream(stderr) << "verdolin: the desktop application is not there yet\n";
    return 2;
}
