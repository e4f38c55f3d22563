// The desktop program's sources (without its main), compiled into this test program: the
// test build links the widgets library only.
#include "app/gui/AppVersion.cpp"
#include "app/gui/AppWindows.cpp"
#include "app/gui/CommandLine.cpp"
#include "app/gui/GroupComboBox.cpp"
#include "app/gui/ProjectsModel.cpp"
#include "app/gui/ProjectsView.cpp"
#include "app/gui/RVMainProjects.cpp"
#include "app/gui/RVMainRuns.cpp"
#include "app/gui/RVMainSettings.cpp"
#include "app/gui/RVMainUnit.cpp"
#include "app/gui/RunHandOver.cpp"
#include "app/gui/RunThreads.cpp"
