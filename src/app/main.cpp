#include "app/quorvane_application.h"
#include "app/session.h"

int main(int argc, char** argv) {
  quorvane::QuorvaneApplication app(argc, argv);
  quorvane::Session session;
  session.Start();
  return quorvane::QuorvaneApplication::exec();
}
