#include "app/Application.h"
#include "platform/StandardStreams.h"

int main(int argc, char** argv) {
    ratelark::openClosedStandardDescriptors();
    return ratelark::runApplication(argc, argv);
}
