// Listing a 20,000-member archive with RunUnzip beside `unzip -Z1` on the same file, and
// building the explorer's folder tree for it (the logic alone, and the window's tree).
#include "ArchiveTree.h"
#include "BenchUtil.h"
#include "CrateviewWindow.h"
#include "archive/Unzip.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <zip.h>

using namespace fragdeck::archive;

namespace
{

// Members spread like a real game archive: many folders, a few hundred files in some.
bool writeArchive(const QString& path, int members)
{
    int err = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z)
        return false;
    static const char payload[] = "x";
    for (int i = 0; i < members; ++i) {
        const QByteArray name = QString("textures/set%1/group%2/tex%3.tga")
                                    .arg(i % 40)
                                    .arg((i / 40) % 25)
                                    .arg(i)
                                    .toLatin1();
        zip_source_t* src = zip_source_buffer(z, payload, 1, 0);
        const zip_int64_t idx = zip_file_add(z, name.constData(), src, 0);
        if (idx < 0) {
            zip_source_free(src);
            zip_discard(z);
            return false;
        }
        zip_set_file_compression(z, zip_uint64_t(idx), ZIP_CM_STORE, 0);
    }
    return zip_close(z) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString pk3 = dir.filePath("big.pk3");
    constexpr int kMembers = 20000;
    if (!writeArchive(pk3, kMembers)) {
        std::fprintf(stderr, "cannot write the archive\n");
        return 1;
    }
    constexpr int kRounds = 15;

    std::vector<double> unzipRef;
    const QString unzip = QStandardPaths::findExecutable("unzip");
    for (int r = 0; r < kRounds && !unzip.isEmpty(); ++r)
        unzipRef.push_back(bench::timeUs([&] {
            QProcess p;
            p.setStandardOutputFile(QProcess::nullDevice());
            p.start(unzip, {"-Z1", pk3});
            p.waitForFinished(-1);
        }));

    std::vector<double> listing;
    int listed = 0;
    for (int r = 0; r < kRounds; ++r) {
        UnzipModule u(UnzipVariant::ListingAll);
        listing.push_back(bench::timeUs([&] {
            u.MemberCount = 0;
            u.RunUnzip(pk3, dir.filePath("\\test\\"), 1, 0, 1, 1, 0, 0);
        }));
        listed = u.MemberCount;
    }
    std::vector<double> filtered;
    for (int r = 0; r < kRounds; ++r) {
        UnzipModule u(UnzipVariant::PrefixFilter);
        u.MemberFilter = "TEXTURES/SET1/";
        filtered.push_back(bench::timeUs([&] {
            u.MemberCount = 0;
            u.RunUnzip(pk3, dir.filePath("\\test\\"), 1, 0, 1, 1, 0, 0);
        }));
    }

    UnzipModule lister(UnzipVariant::ListingAll);
    lister.RunUnzip(pk3, dir.filePath("\\test\\"), 1, 0, 1, 1, 0, 0);
    std::vector<double> tree;
    size_t folders = 0;
    for (int r = 0; r < kRounds; ++r) {
        ArchiveTree t;
        tree.push_back(bench::timeUs([&] { t.build(lister.MemberList, lister.MemberCount); }));
        folders = t.nodes().size();
    }
    // The window: listing plus filling the tree view, as opening the archive does.
    std::vector<double> window;
    // Its scratch folders go to the user's data folder: a temporary one here.
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
    CrateviewWindow form;
    for (int r = 0; r < kRounds; ++r)
        window.push_back(bench::timeUs([&] { form.openArchive(pk3); }));

    const double ref = bench::median(unzipRef);
    std::printf("archive: %d members listed, %zu folders\n", listed, folders);
    std::printf("%-40s median %10.2f us   (reference)\n", "unzip -Z1 (process)", ref);
    bench::report("RunUnzip listing-all", listing, ref > 0 ? ref : 1e9);
    bench::report("RunUnzip prefix filter", filtered, ref > 0 ? ref : 1e9);
    bench::report("explorer tree build (logic)", tree, 200000.0);
    bench::report("explorer open: listing + tree view", window, 200000.0);
    return 0;
}
