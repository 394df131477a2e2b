#include "AppDelegate.h"

AppDelegate& AppDelegate::shared() {
    static AppDelegate* delegate = new AppDelegate;
    return *delegate;
}
