document.title += " (demo)";
