// QM: the single-unit programmer program.
#include <QApplication>

#include "qm/cqmqmrview.h"
#include "qt/mainframe.h"
#include "qt/programmain.h"

using namespace qmr::app;

int main(int argc, char** argv)
{
    const ProgramStart program{"QM", "The single-unit programmer program for the Quillmarker unit.",
                               "the built-in simulated unit", ":/icons/qm.svg"};
    return runProgram(argc, argv, program, [](Language language) {
        QmLogic::Options options;
        options.english = language == Language::English;
        options.programFolder = QApplication::applicationDirPath();
        CMainFrame* frame = makeQmFrame();
        auto* view = new CQMQMRView(frame, options);
        frame->show();
        view->logic().start();
        int status = QApplication::exec();
        delete frame;  // the view's shutdown tells the unit the program closes
        return status;
    });
}
