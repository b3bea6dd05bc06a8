<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CoreTexts</name>
    <message>
        <source>转换中</source>
        <translation>Converting</translation>
    </message>
    <message>
        <source>以下文件没有转换成功:</source>
        <translation>These files were not converted:</translation>
    </message>
    <message>
        <source>命令行为空</source>
        <translation>The command line is empty</translation>
    </message>
    <message>
        <source>创建管道失败. 错误: %1</source>
        <translation>Could not create a pipe. Error: %1</translation>
    </message>
    <message>
        <source>文件或命令未找到</source>
        <translation>File or command not found</translation>
    </message>
    <message>
        <source>转换程序没有正常结束</source>
        <translation>The converter did not end normally</translation>
    </message>
    <message>
        <source>转换程序被终止 (信号 %1)</source>
        <translation>The converter was terminated (signal %1)</translation>
    </message>
    <message>
        <source>转换程序退出代码 %1</source>
        <translation>The converter exited with code %1</translation>
    </message>
    <message>
        <source>没有生成输出文件</source>
        <translation>No output file was made</translation>
    </message>
    <message>
        <source>输出文件无法打开</source>
        <translation>The output file cannot be opened</translation>
    </message>
    <message>
        <source>无法检查输出: 转换程序无法启动</source>
        <translation>Cannot check the output: the converter cannot be started</translation>
    </message>
    <message>
        <source>无法检查输出: 转换程序 %1 秒内没有回答</source>
        <translation>Cannot check the output: the converter did not answer within %1 seconds</translation>
    </message>
    <message>
        <source>无法检查输出: 转换程序被终止</source>
        <translation>Cannot check the output: the converter was stopped</translation>
    </message>
    <message>
        <source>无法在 %1 保存转换进度, 程序意外结束后将无法恢复这一批文件.</source>
        <translation>The progress of the batch cannot be saved in %1: should the program end unexpectedly, this batch cannot be recovered.</translation>
    </message>
    <message>
        <source>输出比输入短: 只有 %1 秒, 应有 %2 秒</source>
        <translation>The output is shorter than the input: %1 s instead of %2 s</translation>
    </message>
    <message>
        <source>输入文件不完整: 只读出 %1 秒, 应有 %2 秒</source>
        <translation>The input file is incomplete: only %1 s of %2 s could be read</translation>
    </message>
    <message>
        <source>输出中没有视频</source>
        <translation>The output holds no video</translation>
    </message>
    <message>
        <source>输入文件是空的</source>
        <translation>The input file is empty</translation>
    </message>
    <message>
        <source>以下文件夹无法读取, 其中的文件没有加入列表:</source>
        <translation>These folders cannot be read; the files in them were not added to the list:</translation>
    </message>
    <message>
        <source>添加文件</source>
        <translation>Add File</translation>
    </message>
    <message>
        <source>添加文件夹</source>
        <translation>Add Folder</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>文件(&amp;F)</source>
        <comment>menu bar</comment>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>移除(&amp;R)</source>
        <comment>menu bar</comment>
        <translation>&amp;Remove</translation>
    </message>
    <message>
        <source>移除选择的文件</source>
        <translation>Remove Selected</translation>
    </message>
    <message>
        <source>移除所有</source>
        <translation>Remove All</translation>
    </message>
    <message>
        <source>设置(&amp;S)</source>
        <comment>menu bar</comment>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>关于(&amp;A)</source>
        <comment>menu bar</comment>
        <extracomment>The menu bar&apos;s last menu, holding the help and the about box.</extracomment>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>添加文件(&amp;A)</source>
        <translation>&amp;Add File</translation>
    </message>
    <message>
        <source>添加目录(&amp;F)</source>
        <translation>Add &amp;Folder</translation>
    </message>
    <message>
        <source>退出(&amp;E)</source>
        <translation>&amp;Exit</translation>
    </message>
    <message>
        <source>设置(&amp;O)</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>关于(&amp;A)</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>移除选择</source>
        <translation>Remove Selected</translation>
    </message>
    <message>
        <source>正在准备文件...</source>
        <translation>Preparing files...</translation>
    </message>
    <message>
        <source>正在搜索...</source>
        <translation>Searching...</translation>
    </message>
    <message numerus="yes">
        <source>上次的转换没有完成, 还有 %n 个文件没有转换. 要把它们放回列表吗?</source>
        <translation>
            <numerusform>The last batch did not finish: %n file was not converted. Put it back in the list?</numerusform>
            <numerusform>The last batch did not finish: %n files were not converted. Put them back in the list?</numerusform>
        </translation>
    </message>
    <message>
        <source>以下文件已经不在了, 没有放回列表:</source>
        <translation>These files are gone and were not put back in the list:</translation>
    </message>
    <message>
        <source>以下不存在, 或不是普通文件 (命名管道、套接字或设备), 没有加入列表:</source>
        <translation>These do not exist or are not regular files (named pipes, sockets or devices) and were not added to the list:</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>help.html</source>
        <extracomment>The help page beside the program, in the language of this translation.</extracomment>
        <translation>help.en.html</translation>
    </message>
    <message>
        <source>Pivora %1

批量旋转和镜像视频文件.
视频转换由 FFmpeg 完成 (ffmpeg.org).
%3

建议和问题请发送至 %2</source>
        <translation>Pivora %1

Rotates and mirrors video files in batches.
Video conversion by FFmpeg (ffmpeg.org).
%3

Please send suggestions and problems to %2</translation>
    </message>
    <message>
        <source>Ver %1</source>
        <extracomment>&quot;Ver&quot; and the program&apos;s version number.</extracomment>
        <translation>version %1</translation>
    </message>
    <message>
        <source>请添加一个文件.</source>
        <translation>Please add a file.</translation>
    </message>
    <message>
        <source>旋转视频</source>
        <translation>Rotate Video</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>正在转换视频, 确定要停止并退出吗?</source>
        <translation>Videos are being converted. Stop and exit?</translation>
    </message>
    <message>
        <source>完成.</source>
        <translation>Done.</translation>
    </message>
    <message>
        <source>已停止.</source>
        <translation>Stopped.</translation>
    </message>
    <message numerus="yes">
        <source>已停止. 已转换 %n 个文件.</source>
        <translation>
            <numerusform>Stopped. %n file converted.</numerusform>
            <numerusform>Stopped. %n files converted.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>完成. 已转换 %n 个文件.</source>
        <translation>
            <numerusform>Done. %n file converted.</numerusform>
            <numerusform>Done. %n files converted.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 个文件没有转换成功.</source>
        <translation>
            <numerusform>%n file was not converted.</numerusform>
            <numerusform>%n files were not converted.</numerusform>
        </translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open File</translation>
    </message>
    <message>
        <source>所有格式(*.*)|*.*</source>
        <translation>All Formats (*.*)|*.*</translation>
    </message>
    <message>
        <source>选择一个文件夹:</source>
        <translation>Choose a folder:</translation>
    </message>
    <message>
        <source>路径包含未知字符.<byte value="xd"/>
更改为默认路径 %1.</source>
        <translation>The path contains unknown characters.<byte value="xd"/>
Changed to the default path %1.</translation>
    </message>
    <message>
        <source>路径</source>
        <translation>Path</translation>
    </message>
    <message>
        <source>分钟必须小于60</source>
        <translation>Minutes must be less than 60</translation>
    </message>
    <message>
        <source>秒必须小于60</source>
        <translation>Seconds must be less than 60</translation>
    </message>
    <message>
        <source>分钟</source>
        <translation>Minutes</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>Seconds</translation>
    </message>
    <message>
        <source>没有画面</source>
        <translation>No picture</translation>
    </message>
    <message>
        <source>界面使用 Windows 通用控件.</source>
        <translation>Interface made with the Windows common controls.</translation>
    </message>
    <message>
        <source>将视频文件拖到此处</source>
        <translation>Drag video files here</translation>
    </message>
</context>
<context>
    <name>pivora::ui::DropZone</name>
    <message>
        <source>松开鼠标, 把文件加入列表</source>
        <translation>Release the mouse to add the files to the list</translation>
    </message>
    <message>
        <source>将视频文件拖到此处</source>
        <translation>Drag video files here</translation>
    </message>
    <message>
        <source>按下它来添加文件</source>
        <translation>Press to add files</translation>
    </message>
    <message>
        <source>或用上方的按钮添加文件</source>
        <translation>Or add files with the buttons above</translation>
    </message>
</context>
<context>
    <name>pivora::ui::InputListModel</name>
    <message>
        <source>文件名</source>
        <translation>File Name</translation>
    </message>
    <message>
        <source>格式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
</context>
<context>
    <name>pivora::ui::StartOptions</name>
    <message>
        <source>用法: pivora [选项] [文件或文件夹...]
打开 Pivora 的窗口, 把命名的文件加入列表; 文件夹连同子文件夹里的文件一起加入.

  -h, --help     显示本说明后退出
  -V, --version  显示版本后退出
  --             其后的参数都是文件名, 即使以 &quot;-&quot; 开头

也可使用 Qt 的通用选项, 例如 -platform 和 -style.
不打开窗口转换文件: pivora-cli --help
</source>
        <translation>Usage: pivora [options] [file or folder...]
Opens the Pivora window with the named files in its list; a folder adds the files in it and
in its subfolders.

  -h, --help     print this help and exit
  -V, --version  print the version and exit
  --             every argument after it is a file name, even one that begins with &quot;-&quot;

Qt&apos;s common options, such as -platform and -style, can be given as well.
To convert without the window: pivora-cli --help
</translation>
    </message>
    <message>
        <source>pivora: 未知的选项 &apos;%1&apos;
用 &apos;pivora --help&apos; 查看用法.
</source>
        <translation>pivora: unknown option &apos;%1&apos;
Try &apos;pivora --help&apos; for more information.
</translation>
    </message>
</context>
<context>
    <name>pivora::ui::frmMain</name>
    <message>
        <source>文件列表:</source>
        <translation>File list:</translation>
    </message>
    <message>
        <source>输出格式:</source>
        <translation>Output format:</translation>
    </message>
    <message>
        <source>输出格式</source>
        <translation>Output format</translation>
    </message>
    <message>
        <source>旋转:</source>
        <translation>Rotation:</translation>
    </message>
    <message>
        <source>视频质量 (比特率 - K):</source>
        <translation>Video bitrate (kbit/s):</translation>
    </message>
    <message>
        <source>视频比特率</source>
        <translation>Video bitrate</translation>
    </message>
    <message>
        <source>输出路径:</source>
        <translation>Output folder:</translation>
    </message>
    <message>
        <source>选择要输出的文件夹</source>
        <translation>Choose the folder to write to</translation>
    </message>
    <message>
        <source>选择输出文件夹</source>
        <translation>Choose the output folder</translation>
    </message>
    <message>
        <source>反馈</source>
        <translation>Feedback</translation>
    </message>
    <message>
        <source>向我们发送您的建议或问题</source>
        <translation>Send us a suggestion or report a problem</translation>
    </message>
    <message>
        <source>将媒体文件拖到此区域</source>
        <translation>Drag media files to this area</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <source>文件列表</source>
        <translation>File list</translation>
    </message>
    <message>
        <source>旋转</source>
        <translation>Rotation</translation>
    </message>
    <message>
        <source>输出路径</source>
        <translation>Output folder</translation>
    </message>
    <message>
        <source>转换进度</source>
        <translation>Conversion progress</translation>
    </message>
    <message>
        <source>系统的中文字体</source>
        <translation>the system&apos;s Chinese font</translation>
    </message>
    <message>
        <source>界面使用 Qt, 中文字体为 %1.</source>
        <translation>Interface made with Qt; Chinese font: %1.</translation>
    </message>
</context>
<context>
    <name>pivora::ui::frmOptions</name>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>声音提醒</source>
        <extracomment>The sound row&apos;s tooltip. The Chinese interface shows this text as it stands; a translation says what the box does: whether a sound plays when a batch ends.</extracomment>
        <translation>Sound alert</translation>
    </message>
    <message>
        <source>无损旋转</source>
        <translation>Lossless rotation</translation>
    </message>
    <message>
        <source>MP4 和 MOV 输出的纯旋转不重新编码</source>
        <translation>Rotate MP4 and MOV outputs without re-encoding</translation>
    </message>
    <message>
        <source>同时转换</source>
        <translation>Parallel conversions</translation>
    </message>
    <message>
        <source>同时转换的文件数</source>
        <translation>How many files to convert at the same time</translation>
    </message>
    <message>
        <source>返回</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>MP3 Audio Bitrate</source>
        <translation>Play a sound when all files are converted</translation>
    </message>
</context>
<context>
    <name>pivora::ui::frmPreview</name>
    <message>
        <source>预览</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>原画面</source>
        <translation>Original frame</translation>
    </message>
    <message>
        <source>旋转后的画面</source>
        <translation>Rotated frame</translation>
    </message>
</context>
</TS>
