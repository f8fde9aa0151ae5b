// Open and save dialogs from the program's dialog record.
#include "qt/file_dialog.hpp"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

namespace plat::qt {

QStringList NameFilters(const std::vector<std::pair<std::string, std::string>>& filters) {
    QStringList out;
    for (const auto& [description, patterns] : filters) {
        QStringList list = QString::fromStdString(patterns).split(QChar(';'), Qt::SkipEmptyParts);
        for (QString& p : list)
            p = p.trimmed();
        // The toolkit reads the patterns from the last parenthesis group; the details are
        // hidden, so the user sees the description as the program wrote it.
        out << QString::fromStdString(description) + " (" + list.join(QChar(' ')) + ")";
    }
    if (out.isEmpty())
        out << QStringLiteral("All Files (*)");
    return out;
}

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* owner, const OpenFileRecord& record,
                                            bool save) {
    auto dlg = std::make_unique<QFileDialog>(owner, QString::fromStdString(record.lpstrTitle));
    dlg->setOption(QFileDialog::DontUseNativeDialog, true);
    dlg->setOption(QFileDialog::HideNameFilterDetails, true);
    // Instrument files come as "00001.RA1" or "00001.ra1": patterns match either case.
    dlg->setFilter(dlg->filter() & ~QDir::CaseSensitive);

    const QStringList filters = NameFilters(record.filters);
    dlg->setNameFilters(filters);
    const int index = int(record.nFilterIndex) - 1;
    if (index >= 0 && index < filters.size())
        dlg->selectNameFilter(filters[index]);

    if (save) {
        dlg->setAcceptMode(QFileDialog::AcceptSave);
        dlg->setFileMode(QFileDialog::AnyFile);
        if (!(record.Flags & OFN_OVERWRITEPROMPT))
            dlg->setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dlg->setAcceptMode(QFileDialog::AcceptOpen);
        dlg->setFileMode((record.Flags & OFN_ALLOWMULTISELECT) ? QFileDialog::ExistingFiles
                                                               : QFileDialog::ExistingFile);
    }
    if (!record.lpstrDefExt.empty())
        dlg->setDefaultSuffix(QString::fromStdString(record.lpstrDefExt));

    // The initial name may carry a folder of its own; otherwise the initial folder holds it.
    const QString initialName = QString::fromLocal8Bit(record.InitialName());
    QString folder = QString::fromStdString(record.lpstrInitialDir);
    if (!initialName.isEmpty()) {
        const QFileInfo info(initialName);
        if (info.isAbsolute())
            folder = info.absolutePath();
        const bool wildcard = initialName.contains(QChar('*')) || initialName.contains(QChar('?'));
        if (!info.isDir() && !wildcard)
            dlg->selectFile(info.fileName());
    }
    if (!folder.isEmpty())
        dlg->setDirectory(folder);
    return dlg;
}

bool ChosenFiles(const QFileDialog& dialog, std::vector<std::string>& paths, DWORD& filterIndex) {
    paths.clear();
    for (const QString& f : dialog.selectedFiles())
        paths.push_back(f.toLocal8Bit().toStdString());
    const int index = dialog.nameFilters().indexOf(dialog.selectedNameFilter());
    filterIndex = DWORD(index >= 0 ? index + 1 : 1);
    return !paths.empty();
}

} // namespace plat::qt
