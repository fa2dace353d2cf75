// Takes a picture of Gridmend: `gridmend_screenshot OUTPUT.png TABLE SAMPLE [--size=WxH]
// [--row=N]` opens the table file and the sample form, selects row N (counted from 0; 0 when not
// given), resizes the window to W x H pixels if asked, lets it paint and saves its picture.
// Run it under Xvfb for a picture with the desktop's fonts and style
// (docs/make-gridmend-screenshot.sh).
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "gridmend/qt/gridmend_window.h"
#include "platform/qt/application.h"
#include "runtime/msgbox.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: gridmend_screenshot OUTPUT.png TABLE SAMPLE [--size=WxH] [--row=N]\n";
    return 2;
  }
  const std::string output = argv[1];
  int width = 0, height = 0, row = 0;
  for (int i = 4; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--size=", 0) == 0) std::sscanf(arg.c_str(), "--size=%dx%d", &width, &height);
    if (arg.rfind("--row=", 0) == 0) std::sscanf(arg.c_str(), "--row=%d", &row);
  }
  std::unique_ptr<QApplication> app = sheaver::MakeApplication("Gridmend");
  sheaver::SetAppTitle("Gridmend");
  sheaver::SetMessageBoxService(std::make_shared<sheaver::ConsoleMessageBox>());
  sheaver::GridmendWindow window;
  window.Start(argv[2]);
  if (!window.OpenSample(argv[3])) return 1;
  window.SelectRow(static_cast<sheaver::Int16>(row));
  if (width > 0 && height > 0) window.resize(width, height);
  window.show();
  bool saved = false;
  QTimer::singleShot(700, [&] {
    window.RefreshPreview();
    saved = window.grab().save(QString::fromStdString(output));
    QApplication::quit();
  });
  app->exec();
  if (!saved) std::cerr << "gridmend_screenshot: could not save " << output << "\n";
  return saved ? 0 : 1;
}
