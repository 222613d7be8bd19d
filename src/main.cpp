#include "game.h"

int main(int argc, char *argv[]) {
    return run_jetsquad(argc, argv);
}
END_OF_MAIN()
