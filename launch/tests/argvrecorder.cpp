// A stand-in program for the end-to-end test: writes the working directory it was
// started in and every argument it was given to "recorded.txt" in that directory.
// It writes a side file first and renames it, so a reader never sees half of it.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char *argv[])
{
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd))
        return 2;
    {
        std::ofstream out("recorded.txt.new");
        out << "cwd " << cwd << '\n';
        out << "argc " << argc << '\n';
        for (int i = 0; i < argc; ++i)
            out << "arg " << argv[i] << '\n';
        if (!out)
            return 3;
    }
    return std::rename("recorded.txt.new", "recorded.txt") == 0 ? 0 : 4;
}
