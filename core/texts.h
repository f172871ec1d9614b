// Every text the program shows or stores. Kept in UTF-8 here; the compiler stores
// them as code page 936 bytes (-fexec-charset=CP936), which a test checks byte by byte.
#pragma once

namespace texts {

// Main window.
inline constexpr char kWindowTitle[] = "请用管理员打开我";
inline constexpr char kLabel2[] = "  另外,指定PS后,在系统中,通过点击图片右键-编辑,也可以调用ps打开此图片";
inline constexpr char kLabel1[] =
    "说明:指定PS后,在UE4编辑器选中图片,右键-在外部编辑器中打开,可以用ps直接编辑此图片.回到UE4后,"
    "右键-重新导入,即完成修改图片操作. 另外,ps打开dds需要另外安装插件,请自行搜索.";
inline constexpr char kButton1[] = "还原系统默认值";
inline constexpr char kButton2[] = "指定系统默认图片编辑器\r\n通常指定PhotoShop";
inline constexpr char kButton2FontFace[] = "微软雅黑";

// Fatal errors.
inline constexpr char kFatalCaption[] = "错误";
inline constexpr char kFatalHeading[] = "运行时出错!";
inline constexpr char kFatalCodeLabel[] = "错误代码：";
inline constexpr char kFatalMessageLabel[] = "错误信息：";
inline constexpr char kFatalBindingFailed[] = "无法找到指定DLL库文件“%s”中的输出命令“%s”";
inline constexpr char kFatalAllocationFailed[] = "分配 %d 字节内存失败!";
inline constexpr char kFatalWindowDescription[] = "载入窗口模板数据段出错!";
inline constexpr char kFatalWindowCreation[] = "载入启动窗口失败";
inline constexpr char kFatalStackImbalance[] = "调用DLL命令后发现堆栈错误";
inline constexpr char kFatalChoiceOutOfRange[] = "“多项选择”命令的索引值参数小于零或超出了所提供参数表范围";

// Messages of the two commands.
inline constexpr char kInfoCaption[] = "信息：";
inline constexpr char kChooseEditorTitle[] = "请选择默认图片修改软件";
inline constexpr char kChooseEditorStartFolder[] = "C:";
inline constexpr char kChooseEditorFilter[] = "程序文件(*.exe)|*.exe";
inline constexpr char kNoEditorChosen[] = "请选择一个需要指定的图片编辑器";
inline constexpr char kTgaSetSucceeded[] = "设定tga默认编辑程序成功";
inline constexpr char kTgaSetFailed[] = "设定tga默认编辑程序失败";
inline constexpr char kImageSetSucceeded[] = "设定jpg,png,bmp默认编辑程序成功";
inline constexpr char kImageSetFailed[] = "设定jpg,png,bmp默认编辑程序失败";
inline constexpr char kDdsSetSucceeded[] = "设定dds默认编辑程序成功";
inline constexpr char kDdsSetFailed[] = "设定dds默认编辑程序失败";
inline constexpr char kNothingToRestore[] = "您没有改变默认图片打开程序,不需要点此选项";
inline constexpr char kRestoreDone[] = "操作完成";
inline constexpr char kRestoreFailed[] = "jpg,png,bmp等还原系统默认失败,操作失败";

// Open-file dialog defaults.
inline constexpr char kOpenFileDefaultTitle[] = "打开文件";
inline constexpr char kOpenFileDefaultFilter[] = "所有文件(*.*)|*.*";

// Registry locations and commands.
inline constexpr char kTgaEditCommandPath[] = "SystemFileAssociations\\.tga\\Shell\\edit\\Command\\";
inline constexpr char kImageEditCommandPath[] = "SystemFileAssociations\\image\\shell\\edit\\command\\";
inline constexpr char kDdsEditCommandPath[] = "SystemFileAssociations\\.dds\\Shell\\edit\\Command\\";
inline constexpr char kDeleteDdsShellArguments[] = "reg delete HKEY_CLASSES_ROOT\\SystemFileAssociations\\.dds\\Shell /f";
inline constexpr char kDeleteTgaShellArguments[] = "reg delete HKEY_CLASSES_ROOT\\SystemFileAssociations\\.tga\\Shell /f";
inline constexpr char kPaintEditCommand[] = "\"%systemroot%\\system32\\mspaint.exe\" \"%1\"";

}  // namespace texts
