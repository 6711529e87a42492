<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Dialogs</name>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>“%1”已经存在。
要替换它吗？</source>
        <translation>“%1” already exists.
Do you want to replace it?</translation>
    </message>
    <message>
        <source>无法启动邮件程序。

请在系统中设置一个默认的邮件程序，或者手动发送图片:
%1</source>
        <translation>The mail program could not be started.

Set up a default mail program on your system, or send the picture yourself:
%1</translation>
    </message>
    <message>
        <source>把作品发给朋友</source>
        <translation>Send to a Friend</translation>
    </message>
</context>
<context>
    <name>TAbout_us</name>
    <message>
        <source>关于我们</source>
        <translation>About Drollo</translation>
    </message>
    <message>
        <source>把照片变成漫画</source>
        <translation>Turn photos into cartoons</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;Drollo&lt;/b&gt; 1.0 — 卡通图片编辑器&lt;/p&gt;&lt;p&gt;发布日期: 2026年12月&lt;/p&gt;&lt;p&gt;用鼠标让照片膨胀、收缩、拉伸、旋转和涂抹；把照片变成钢笔素描或铅笔素描；提取轮廓，加粗或变细线条，在轮廓上画直线、曲线、钢笔线和文字。&lt;/p&gt;&lt;p&gt;图片和轮廓各有99步撤销。结果可以保存为 JPEG、BMP 或图元文件，打印，或者通过邮件发给朋友。&lt;/p&gt;&lt;p&gt;主页: &lt;a href=&apos;https://www.drollo.org/&apos;&gt;https://www.drollo.org/&lt;/a&gt;&lt;br&gt;联系我们: &lt;a href=&apos;mailto:team@drollo.org&apos;&gt;team@drollo.org&lt;/a&gt;&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;Drollo&lt;/b&gt; 1.0 — a cartoon picture editor&lt;/p&gt;&lt;p&gt;Released: December 2026&lt;/p&gt;&lt;p&gt;Bulge, pinch, stretch, swirl and smudge photos with the mouse, turn them into pen or pencil sketches, and draw on their outline with lines, curves and text.&lt;/p&gt;&lt;p&gt;Picture and outline keep 99 undo steps each. Save as JPEG, BMP or metafile, print, or mail to a friend.&lt;/p&gt;&lt;p&gt;Home page: &lt;a href=&apos;https://www.drollo.org/&apos;&gt;https://www.drollo.org/&lt;/a&gt;&lt;br&gt;Contact: &lt;a href=&apos;mailto:team@drollo.org&apos;&gt;team@drollo.org&lt;/a&gt;&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>打开新图片</source>
        <translation>Open a new picture</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>撤销</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>重做</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>重新开始</source>
        <translation>Start over</translation>
    </message>
    <message>
        <source>缩小</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>放大</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>选择剪切区域</source>
        <translation>Select an area to crop</translation>
    </message>
    <message>
        <source>剪切所选</source>
        <translation>Crop to the selection</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>把作品发给朋友</source>
        <translation>Send to a friend</translation>
    </message>
    <message>
        <source>在线</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>编辑</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open...</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>图片尺寸</source>
        <translation>Picture size...</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Input picture%1Error.%2</source>
        <translation>The picture %1 could not be read. %2</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>The picture on the clipboard is too large: more than 268435456 pixels.</source>
        <translation>The picture on the clipboard is too large: it has more than 268,435,456 pixels.</translation>
    </message>
    <message>
        <source>The help page could not be found: it is installed with the program as share/drollo/help/faq.html beside the program&apos;s folder.</source>
        <translation>The help page could not be found: it is installed with the program as share/drollo/help/faq_en.html beside the program&apos;s folder.</translation>
    </message>
    <message>
        <source>Hello!</source>
        <translation>Hello!</translation>
    </message>
    <message>
        <source>It is a good software. The download link is folows:</source>
        <translation>Here is a program I enjoy. You can download it from:</translation>
    </message>
    <message>
        <source>Please try it. It would give you happiness!</source>
        <translation>Give it a try, I think you will like it!</translation>
    </message>
    <message>
        <source>Tell you a great software--Drollo.</source>
        <translation>A great program for you: Drollo</translation>
    </message>
    <message>
        <source>Good luck!</source>
        <translation>All the best!</translation>
    </message>
    <message>
        <source>恢复未保存的工作</source>
        <translation>Recover unsaved work</translation>
    </message>
    <message>
        <source>上次运行没有正常结束，留下了未保存的工作（%1，%2）。
要恢复它吗？</source>
        <translation>The last run did not end normally and left unsaved work (%1, %2).
Restore it?</translation>
    </message>
    <message>
        <source>未命名的图片</source>
        <translation>untitled picture</translation>
    </message>
    <message>
        <source>恢复</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>放弃</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>恢复副本已损坏，已把它移到一旁：</source>
        <translation>The recovery copy is damaged and was set aside: </translation>
    </message>
    <message>
        <source>无法写入恢复副本：</source>
        <translation>The recovery copy could not be written: </translation>
    </message>
</context>
<context>
    <name>TImage_Size</name>
    <message>
        <source>保持宽和高</source>
        <translation>Keep the proportions</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>&apos;%1&apos; is not a valid whole number.</translation>
    </message>
    <message>
        <source>Integer overflow</source>
        <translation>The numbers are too large.</translation>
    </message>
    <message>
        <source>The picture would be too large: more than 268435456 pixels.</source>
        <translation>The picture would be too large: it would have more than 268,435,456 pixels.</translation>
    </message>
    <message>
        <source>图片尺寸</source>
        <translation>Picture Size</translation>
    </message>
    <message>
        <source>Please input a valid integer value.</source>
        <translation>Please enter whole numbers for the width and height.</translation>
    </message>
    <message>
        <source>There is no picture to resize.</source>
        <translation>There is no picture to resize.</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>pixels</translation>
    </message>
    <message>
        <source>宽度:</source>
        <translation>Width:</translation>
    </message>
    <message>
        <source>高度:</source>
        <translation>Height:</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
</context>
<context>
    <name>TTools</name>
    <message>
        <source>选择一个区域剪切</source>
        <translation>Select an area to crop</translation>
    </message>
    <message>
        <source>Invalid integer</source>
        <translation>Please enter a whole number.</translation>
    </message>
    <message>
        <source>Sorry</source>
        <translation>Sorry</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 不是有效的整型值</source>
        <translation>&apos;%1&apos; is too large a number.</translation>
    </message>
    <message>
        <source>扭曲</source>
        <translation>Warp</translation>
    </message>
    <message>
        <source>螺旋</source>
        <translation>Swirl</translation>
    </message>
    <message>
        <source>素描</source>
        <translation>Sketch</translation>
    </message>
    <message>
        <source>轮廓</source>
        <translation>Outline</translation>
    </message>
    <message>
        <source>球形</source>
        <translation>Round</translation>
    </message>
    <message>
        <source>垂直</source>
        <translation>Vertical</translation>
    </message>
    <message>
        <source>水平</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>半径</source>
        <translation>Radius</translation>
    </message>
    <message>
        <source>弯曲</source>
        <translation>Bend</translation>
    </message>
    <message>
        <source>波形</source>
        <translation>Wave</translation>
    </message>
    <message>
        <source>钢笔压力度:</source>
        <translation>Pen pressure:</translation>
    </message>
    <message>
        <source>铅笔对比度:</source>
        <translation>Pencil contrast:</translation>
    </message>
    <message>
        <source>钢笔素描</source>
        <translation>Pen sketch</translation>
    </message>
    <message>
        <source>铅笔素描</source>
        <translation>Pencil sketch</translation>
    </message>
    <message>
        <source>清除斑点</source>
        <translation>Despeckle</translation>
    </message>
    <message>
        <source>显示</source>
        <translation>Show picture</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>直线</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>曲线</source>
        <translation>Curve</translation>
    </message>
    <message>
        <source>钢笔</source>
        <translation>Pen</translation>
    </message>
    <message>
        <source>橡皮</source>
        <translation>Eraser</translation>
    </message>
    <message>
        <source>文本</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>选择颜色</source>
        <translation>Color...</translation>
    </message>
    <message>
        <source>钢笔厚度:</source>
        <translation>Pen width:</translation>
    </message>
    <message>
        <source>提取轮廓</source>
        <translation>Extract outline</translation>
    </message>
    <message>
        <source>如果你做了素描,请点这里</source>
        <translation>Made a sketch? Then click here:</translation>
    </message>
    <message>
        <source>细线趋于变粗</source>
        <translation>Thicken lines</translation>
    </message>
    <message>
        <source>粗线趋于变细</source>
        <translation>Thin lines</translation>
    </message>
    <message>
        <source>双击平衡线段厚度</source>
        <translation>Double-click: even out lines</translation>
    </message>
    <message>
        <source>直线粗细:</source>
        <translation>Line width:</translation>
    </message>
    <message>
        <source>曲线粗细:</source>
        <translation>Curve width:</translation>
    </message>
    <message>
        <source>钢笔粗细:</source>
        <translation>Pen width:</translation>
    </message>
    <message>
        <source>擦除范围:</source>
        <translation>Eraser size:</translation>
    </message>
    <message>
        <source>工具</source>
        <translation>Tools</translation>
    </message>
</context>
<context>
    <name>TWork_area</name>
    <message>
        <source>Click or Keep Down</source>
        <translation>Click, or hold the button down</translation>
    </message>
    <message>
        <source>Keep Down and move</source>
        <translation>Hold the button down and drag</translation>
    </message>
    <message>
        <source>工作区域</source>
        <translation>Work Area</translation>
    </message>
    <message>
        <source>Work_Outline without Draft</source>
        <translation>Work Area (outline only)</translation>
    </message>
    <message>
        <source>请在这里输入文本</source>
        <translation>Type your text here</translation>
    </message>
    <message>
        <source>双击确定,右键编辑字体</source>
        <translation>Double-click to place the text, right-click to choose the font</translation>
    </message>
    <message>
        <source>点击或者保存</source>
        <translation>Click, or hold the button down</translation>
    </message>
</context>
</TS>
