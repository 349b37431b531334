# Fails when a procedure folder (anything under src/ but the widgets library and the ui/
# folders of the windows) includes a Qt module beyond QtCore by its module path, which the
# include paths of QtCore would otherwise let through (<QtWidgets/QWidget>, <QtGui/QImage>).
file(GLOB_RECURSE sources ${SOURCE_DIR}/src/*.cpp ${SOURCE_DIR}/src/*.h)
set(bad "")
foreach(f ${sources})
    if(f MATCHES "/src/widgets/" OR f MATCHES "/ui/")
        continue()
    endif()
    file(STRINGS ${f} lines REGEX "^#include <Qt(Gui|Widgets|PrintSupport|SerialPort|Network)/")
    if(lines)
        list(APPEND bad "${f}: ${lines}")
    endif()
endforeach()
if(bad)
    list(JOIN bad "\n" text)
    message(FATAL_ERROR "Qt modules beyond QtCore in computation:\n${text}")
endif()
