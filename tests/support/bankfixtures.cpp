#include "support/bankfixtures.h"

const QByteArray TwoQuestions("2 120\r\n"
                              "hg\r\n"
                              "first question\r\n"
                              "answer one\r\n"
                              "answer two\r\n"
                              "answer three\r\n"
                              "#\r\n"
                              "second question\r\n"
                              "yes\r\n"
                              "no\r\n"
                              "#\r\n");
