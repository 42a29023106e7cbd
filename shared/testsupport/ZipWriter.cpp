#include "ZipWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <zip.h>

namespace fragdeck::test
{

bool writeZip(const QString& path, const QList<ZipMember>& members)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    int err = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z)
        return false;
    bool ok = true;
    for (const ZipMember& m : members) {
        const QByteArray name = m.name.toUtf8();
        if (name.endsWith('/')) {
            if (zip_dir_add(z, name.constData(), ZIP_FL_ENC_GUESS) < 0)
                ok = false;
            continue;
        }
        // libzip copies the data when the source is freed at close: keep a copy alive.
        void* copy = malloc(size_t(std::max<qsizetype>(1, m.data.size())));
        memcpy(copy, m.data.constData(), size_t(m.data.size()));
        zip_source_t* src = zip_source_buffer(z, copy, zip_uint64_t(m.data.size()), 1);
        if (!src) {
            free(copy);
            ok = false;
            continue;
        }
        const zip_int64_t idx =
            zip_file_add(z, name.constData(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_GUESS);
        if (idx < 0) {
            zip_source_free(src);
            ok = false;
            continue;
        }
        if (m.encrypted)
            zip_file_set_encryption(z, zip_uint64_t(idx), ZIP_EM_AES_256, "secret");
    }
    if (zip_close(z) < 0) {
        zip_discard(z);
        return false;
    }
    return ok;
}

} // namespace fragdeck::test
