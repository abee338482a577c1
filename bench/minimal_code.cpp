// The floor for `pelorin code`: a bare Qt program that starts a QCoreApplication and prints a code.
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    out << QStringLiteral("B00006100AMB5941034526") << '\n';
    return 0;
}
