// Prints two messages while a redirector captures them, then destroys it, so
// that a test can see whether the lost-output notice appears for the
// IMSG_LOST_OUTPUT of a fresh process (the decision is made once per process).
#include "services/imsg.h"
#include "sum/sum_imsg.h"

int main() {
  SUM_ImsgRedirector redirector;
  imsg_print_literal(IMSG_ERROR, "first");
  imsg_print_literal(IMSG_WARNING, "second");
  return 0;
}
