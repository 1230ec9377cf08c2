// Glimmervandra: a self-running real-time demo. It takes no command line.
#include "app/demo.h"

int main() { return runDemo(); }
