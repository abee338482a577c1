// Feeds files to a harness's entry point, as libFuzzer does, for builds without libFuzzer: the
// replay test runs every corpus file and every past finding through it. Arguments are files or
// folders (read recursively).
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

bool runFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return false;
    }
    const QByteArray bytes = f.readAll();
    // a copy of exactly the input's size, so that a read past its end is caught by the sanitizer
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(data.data(), data.size());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    int files = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (!QFileInfo::exists(arg))
            continue; // a harness without past findings has no folder for them
        if (QFileInfo(arg).isDir()) {
            QDirIterator it(arg, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                ok = runFile(it.next()) && ok;
                ++files;
            }
        } else {
            ok = runFile(arg) && ok;
            ++files;
        }
    }
    std::printf("%d inputs replayed\n", files);
    return ok && files > 0 ? 0 : 1;
}
