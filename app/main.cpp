#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream(stderr) << "Zivra: the editor window is not yet available in this build.\n";
    return 1;
}
