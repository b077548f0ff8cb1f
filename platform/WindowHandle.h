// A window as the engine passes it around without knowing the toolkit.
#pragma once

class QWidget;
using WindowHandle = QWidget*;
