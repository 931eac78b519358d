# Precompiled headers for the libraries. Most of a translation unit's time goes into parsing Qt's
# and the standard library's headers; precompiled once per library, they halve the libraries'
# compile time. (Test programs do without: QtTest defines each folder's own paths, so they would
# need one precompiled header per folder, which costs more than it saves.) DUOVUE_PCH=OFF compiles
# without them, to check that every file includes what it uses.
option(DUOVUE_PCH "Precompile the common Qt and standard headers" ON)

set(duovue_pch_core
    <algorithm> <atomic> <functional> <memory> <optional> <utility> <vector>
    <QByteArray> <QCoreApplication> <QDateTime> <QDir> <QFile> <QFileInfo> <QHash> <QImage> <QList>
    <QObject> <QString> <QStringList> <QVariant>)
set(duovue_pch_gui ${duovue_pch_core}
    <QAction> <QApplication> <QBoxLayout> <QDialog> <QKeyEvent> <QLabel> <QMenu> <QMouseEvent>
    <QPainter> <QPushButton> <QWidget>)

# duovue_precompile(<target> core|gui)
function(duovue_precompile target kind)
    if(DUOVUE_PCH)
        target_precompile_headers(${target} PRIVATE ${duovue_pch_${kind}})
    endif()
endfunction()
