// ortus-teacher: the teacher's window for the question banks and results of the start directory,
// which is the directory it is started in (the launcher's, or build/run/ for `make teacher`).
#include "workbench/runteacher.h"

int main(int argc, char *argv[])
{
    return RunTeacher(argc, argv);
}
