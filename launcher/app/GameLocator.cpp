#include "GameLocator.h"

#include <QFile>
#include <algorithm>
#include <chrono>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fragdeck::launcher
{
namespace
{

int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString decode(const std::string& s)
{
    return QFile::decodeName(QByteArray::fromRawData(s.data(), qsizetype(s.size())));
}

bool isDotOrDotDot(const char* n)
{
    return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

// Case-insensitive name order, then byte order so the order is total.
bool nameLess(const std::string& a, const std::string& b)
{
    const int c = strcasecmp(a.c_str(), b.c_str());
    return c != 0 ? c < 0 : a < b;
}

} // namespace

GameLocator::GameLocator(QStringList programNames)
{
    for (const QString& n : programNames) {
        m_names.push_back(QFile::encodeName(n).toStdString());
        m_needsExec.push_back(!n.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive));
    }
}

void GameLocator::search(const QString& start)
{
    FoundFolder.clear();
    FoundProgram.clear();
    m_lastPumpNs = 0;
    FindFilesAPI(QFile::encodeName(start).toStdString());
}

bool GameLocator::matchProgram(const std::string& folder, const std::vector<std::string>& files,
                               const std::vector<unsigned char>& types, std::string* name)
{
    // First a plain listing of ordinary, visible files, then any other entry of that
    // name (a link to the program, an entry of unknown type), as a second look would.
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t n = 0; n < m_names.size(); ++n) {
            for (size_t i = 0; i < files.size(); ++i) {
                if (strcasecmp(files[i].c_str(), m_names[n].c_str()) != 0)
                    continue;
                const bool plain = types[i] == DT_REG && files[i][0] != '.';
                if ((pass == 0) != plain)
                    continue;
                struct stat st {
                };
                const std::string full = folder + files[i];
                if (stat(full.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
                    continue; // broken link, or a link to a folder
                if (m_needsExec[n] && (st.st_mode & 0111) == 0)
                    continue;
                *name = files[i];
                return true;
            }
        }
    }
    return false;
}

void GameLocator::FindFilesAPI(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    if (CancelRequested) {
        FoundFolder = cancelledMarker();
        return;
    }
    if (folderEntered)
        folderEntered(decode(path));
    if (pump) {
        const int64_t t = nowNs();
        if (m_lastPumpNs == 0 || t - m_lastPumpNs >= int64_t(pumpIntervalMs) * 1000000) {
            pump(decode(path));
            m_lastPumpNs = nowNs();
            if (CancelRequested) {
                FoundFolder = cancelledMarker();
                return;
            }
        }
    }

    DIR* dir = opendir(path.c_str());
    if (!dir)
        return; // unreadable folders are skipped
    std::vector<std::string> folders;
    std::vector<std::string> others;
    std::vector<unsigned char> otherTypes;
    while (dirent* e = readdir(dir)) {
        if (isDotOrDotDot(e->d_name))
            continue;
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {
            };
            const std::string full = path + e->d_name;
            if (lstat(full.c_str(), &st) != 0)
                continue;
            type = S_ISDIR(st.st_mode)   ? DT_DIR
                   : S_ISLNK(st.st_mode) ? DT_LNK
                   : S_ISREG(st.st_mode) ? DT_REG
                                         : DT_UNKNOWN;
        }
        if (type == DT_DIR) {
            folders.emplace_back(e->d_name);
        } else {
            // Only entries that could be the program are kept.
            for (const std::string& n : m_names) {
                if (strcasecmp(e->d_name, n.c_str()) == 0) {
                    others.emplace_back(e->d_name);
                    otherTypes.push_back(type);
                    break;
                }
            }
        }
    }
    closedir(dir);

    std::string program;
    if (!others.empty() && matchProgram(path, others, otherTypes, &program)) {
        ++fileCount;
        FoundFolder = decode(path);
        FoundProgram = decode(program);
        return;
    }

    std::sort(folders.begin(), folders.end(), nameLess);
    dirCount += folders.size();
    for (const std::string& f : folders) {
        FindFilesAPI(path + f + '/');
        if (!FoundFolder.isEmpty())
            break;
    }
}

} // namespace fragdeck::launcher
