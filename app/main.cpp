#include "app/Application.h"
#include "platform/StandardStreams.h"
#include "platform/UserFolders.h"

int main(int argc, char** argv) {
    ratelark::openClosedStandardDescriptors();
    ratelark::settleUserFolders();
    return ratelark::runApplication(argc, argv);
}
