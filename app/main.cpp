#include "app/Application.h"

int main(int argc, char** argv) { return ratelark::runApplication(argc, argv); }
