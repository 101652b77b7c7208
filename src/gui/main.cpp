#include "gui/CVarnettaApp.h"

int main(int argc, char** argv) {
  varnetta::CVarnettaApp app(argc, argv);
  return app.Run();
}
