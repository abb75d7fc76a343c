// The user-visible texts of the viewer window and its dialogs, in one place.
#pragma once

#include <QString>

namespace telvane::texts {

inline const QString kViewCaption = QStringLiteral("查看传真文件");
inline const QString kPageFlags = QStringLiteral("页面标志");
inline const QString kHighRes = QStringLiteral("High Res.");
inline const QString kHighWidth = QStringLiteral("High Width");
inline const QString kLengthWords = QStringLiteral("Length words");
inline const QString kPrevPage = QStringLiteral("< 前一页");
inline const QString kNextPage = QStringLiteral("下一页>");
inline const QString kOpenTitle = QStringLiteral("Open File for Viewing");
inline const QString kOpenFilter = QStringLiteral("Fax files (*.apf *.APF);;All files (*)");
inline const QString kPrintCaption = QStringLiteral("打印传真文件");

inline const QString kFileMenu = QStringLiteral("文件");
inline const QString kOpen = QStringLiteral("打开");
inline const QString kClose = QStringLiteral("关闭");
inline const QString kPrintSetup = QStringLiteral("打印设置.");
inline const QString kPrint = QStringLiteral("打印");
inline const QString kExit = QStringLiteral("退出");
inline const QString kEditMenu = QStringLiteral("编辑");
inline const QString kSelectAll = QStringLiteral("全选");
inline const QString kCopy = QStringLiteral("拷贝");
inline const QString kViewMenu = QStringLiteral("查看");
inline const QString kZoomIn = QStringLiteral("放大");
inline const QString kZoomOut = QStringLiteral("缩小");
inline const QString kOtherSize = QStringLiteral("自定义");
inline const QString kNoRotate = QStringLiteral("不旋转");
inline const QString kRotate90 = QStringLiteral("旋转90度");
inline const QString kRotate180 = QStringLiteral("旋转180度");
inline const QString kRotate270 = QStringLiteral("旋转270度");
inline const QString kWhitespaceComp = QStringLiteral("白色空格压缩");

// Status line: %1 page, %2 page count, %3 file name.
inline const QString kStatusOpened = QStringLiteral("  查看页 1 到 %1 在文件%2中");
inline const QString kStatusPage = QStringLiteral("  查看页 %1 总 %2 在文件 %3");
inline const QString kStatusDropped = QStringLiteral("  查看页 1 总 %1 在文件 %2");
inline const QString kStatusNoFile = QStringLiteral(" 没有文件载入");
inline const QString kStatusPageNoFile = QStringLiteral("  无文件载入伍");

inline const QString kOpenError = QStringLiteral("打开文件时出错 ");
inline const QString kViewError = QStringLiteral("查看错误%1");

inline const QString kPercentCaption = QStringLiteral("自定义范围");
inline const QString kZoomFactor = QStringLiteral("缩放倍数");
inline const QString kOk = QStringLiteral("确定");
inline const QString kCancel = QStringLiteral("取消");
inline const QString kHelp = QStringLiteral("帮助");
inline const QString kPercentRange = QStringLiteral("你必须输入一个百分比数字在25%到400%之间.");
inline const QString kMustBeNumber = QStringLiteral("你必须输入数字.");

inline const QString kWhitespaceCaption = QStringLiteral("空白行压缩");
inline const QString kCompress = QStringLiteral("压缩");
inline const QString kBlankLinesTo = QStringLiteral("个空白行压缩为");
inline const QString kBlankLines = QStringLiteral("个空白行");

}  // namespace telvane::texts
