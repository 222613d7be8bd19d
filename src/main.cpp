#include "game.h"

int main(int argc, char *argv[]) {
    return run_jetsquad(argc, argv, window_icon_xpm);
}
END_OF_MAIN()
