#include "app/main_app.h"
#include "res/resources.h"

CMainApp theApp;

int main(int argc, char** argv) {
    res::RegisterResources();
    return AfxWinMain(argc, argv);
}
