// QuillGANGmarker: the gang programmer program.
#include <QApplication>

#include "gang/cqmgangview.h"
#include "qt/mainframe.h"
#include "qt/programmain.h"

using namespace qmr::app;

int main(int argc, char** argv)
{
    const ProgramStart program{"QuillGANGmarker", "The gang programmer program for the Quill GANG box of eight units.",
                               "the built-in simulated gang box", ":/gang/gang.svg"};
    return runProgram(argc, argv, program, [](Language language) {
        GangLogic::Options options;
        options.english = language == Language::English;
        options.programFolder = QApplication::applicationDirPath();
        CMainFrame* frame = makeGangFrame();
        auto* view = new CQMGANGView(frame, options);
        frame->show();
        view->logic().start();
        int status = QApplication::exec();
        delete frame;  // the view's shutdown tells the gang box the program closes
        return status;
    });
}
