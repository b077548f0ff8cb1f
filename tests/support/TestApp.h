// The one application object of a test process, made on first use and
// destroyed at exit, so that the font caches it holds are freed with it.
#pragma once

class QApplication;

QApplication& TestApp();
