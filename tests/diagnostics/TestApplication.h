#pragma once
// The one QApplication of a diagnostics test program, made on first use.
class QApplication;
QApplication& TestApplication();
