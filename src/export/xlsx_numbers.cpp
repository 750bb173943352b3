#include "export/xlsx_numbers.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVector>

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

struct Member {
    QByteArray name;
    QByteArray data;
    uLong dosDate = 0;
};

bool readMembers(const QByteArray& path, QVector<Member>* members)
{
    unzFile archive = unzOpen64(path.constData());
    if (!archive)
        return false;
    int step = unzGoToFirstFile(archive);
    for (; step == UNZ_OK; step = unzGoToNextFile(archive)) {
        unz_file_info64 info;
        char name[1024];
        if (unzGetCurrentFileInfo64(archive, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK
            || unzOpenCurrentFile(archive) != UNZ_OK)
            break;
        Member member{name, QByteArray(qsizetype(info.uncompressed_size), Qt::Uninitialized), info.dosDate};
        const int read = member.data.isEmpty() ? 0 : unzReadCurrentFile(archive, member.data.data(), unsigned(member.data.size()));
        if (unzCloseCurrentFile(archive) != UNZ_OK || read != member.data.size())
            break;
        members->append(member);
    }
    unzClose(archive);
    return step == UNZ_END_OF_LIST_OF_FILE;
}

bool writeMembers(const QByteArray& path, const QVector<Member>& members)
{
    zipFile archive = zipOpen64(path.constData(), APPEND_STATUS_CREATE);
    if (!archive)
        return false;
    bool written = true;
    for (const Member& member : members) {
        zip_fileinfo info{};
        info.dosDate = member.dosDate;
        written = zipOpenNewFileInZip64(archive, member.name.constData(), &info, nullptr, 0, nullptr, 0, nullptr,
                                        Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0) == ZIP_OK
            && zipWriteInFileInZip(archive, member.data.constData(), unsigned(member.data.size())) == ZIP_OK
            && zipCloseFileInZip(archive) == ZIP_OK;
        if (!written)
            break;
    }
    return zipClose(archive, nullptr) == ZIP_OK && written;
}

// Every <v> value of a sheet that reads as a number (shared string indexes are small whole
// numbers and stay as they are).
QByteArray shortened(const QByteArray& xml)
{
    QByteArray out;
    out.reserve(xml.size());
    qsizetype from = 0;
    for (;;) {
        const qsizetype open = xml.indexOf("<v>", from);
        const qsizetype close = open < 0 ? -1 : xml.indexOf("</v>", open);
        if (close < 0)
            break;
        const char* first = xml.constData() + open + 3;
        const char* last = xml.constData() + close;
        out.append(xml.constData() + from, first - (xml.constData() + from));
        double value = 0;
        const auto [end, error] = std::from_chars(first, last, value);
        if (error == std::errc() && end == last && std::isfinite(value))
            out.append(sheetNumberText(value));
        else
            out.append(first, last - first);
        from = close;
    }
    out.append(xml.constData() + from, xml.size() - from);
    return out;
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error ? error : EIO));
}

} // namespace

QByteArray sheetNumberText(double value)
{
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
    return error == std::errc() ? QByteArray(text, end - text) : QByteArray();
}

QString shortenSheetNumbers(const QString& path)
{
    const QByteArray file = QFile::encodeName(path);
    QVector<Member> members;
    errno = 0;
    if (!readMembers(file, &members))
        return systemReason(errno);
    for (Member& member : members)
        if (member.name.startsWith("xl/worksheets/") && member.name.endsWith(".xml"))
            member.data = shortened(member.data);
    // Written beside the file and put in its place at once: the folder never holds half a workbook.
    const QFileInfo info(path);
    const QByteArray part = QFile::encodeName(info.dir().filePath(QLatin1Char('.') + info.fileName() + QLatin1String(".part")));
    errno = 0;
    if (!writeMembers(part, members) || std::rename(part.constData(), file.constData()) != 0) {
        const QString reason = systemReason(errno);
        std::remove(part.constData());
        return reason;
    }
    return {};
}
