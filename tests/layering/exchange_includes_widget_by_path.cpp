// Not by the Qt include root either.
#include <QtWidgets/QWidget>
